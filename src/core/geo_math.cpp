// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/geo_math.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

// Double-double arithmetic: a value is hi + lo with |lo| at most half an ulp of hi, about 106
// bits. Products are split by Dekker's method rather than a fused multiply-add, which some
// systems emulate slowly or wrongly. The source must be compiled without contraction
// (-ffp-contract=off), or the error terms are lost.
namespace trakor::math::correct {

namespace {

struct DD {
    double hi, lo;
};

// a + b exactly, for any a and b.
DD twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a + b exactly, when |a| >= |b| or a is 0.
DD quickTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

DD split(double a) {
    const double c = 134217729.0 * a;  // 2^27 + 1
    const double hi = c - (c - a);
    return {hi, a - hi};
}

// a * b exactly (no overflow or underflow assumed).
DD twoProd(double a, double b) {
    const double p = a * b;
    const DD x = split(a), y = split(b);
    return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

DD add(DD a, DD b) {
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = quickTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return quickTwoSum(s.hi, s.lo);
}

DD neg(DD a) { return {-a.hi, -a.lo}; }
DD sub(DD a, DD b) { return add(a, neg(b)); }

DD mul(DD a, DD b) {
    DD p = twoProd(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return quickTwoSum(p.hi, p.lo);
}

DD div(DD a, DD b) {
    const double q1 = a.hi / b.hi;
    DD r = sub(a, mul(b, DD{q1, 0}));
    const double q2 = r.hi / b.hi;
    r = sub(r, mul(b, DD{q2, 0}));
    const double q3 = r.hi / b.hi;
    return add(quickTwoSum(q1, q2), DD{q3, 0});
}

// The square root of a non-negative double-double: one correction of the double root.
DD sqrt(DD a) {
    if (a.hi <= 0) return {0, 0};
    const double s = std::sqrt(a.hi);
    const DD r = sub(a, twoProd(s, s));
    return quickTwoSum(s, r.hi / (2 * s));
}

// The double nearest to hi + lo.
double rounded(DD a) { return a.hi + a.lo; }

// 1/n! for n = 0..31, as double-double.
constexpr DD kInverseFactorial[32] = {
    {0x1p+0, 0x0p+0},
    {0x1p+0, 0x0p+0},
    {0x1p-1, 0x0p+0},
    {0x1.5555555555555p-3, 0x1.5555555555555p-57},
    {0x1.5555555555555p-5, 0x1.5555555555555p-59},
    {0x1.1111111111111p-7, 0x1.1111111111111p-63},
    {0x1.6c16c16c16c17p-10, -0x1.f49f49f49f49fp-65},
    {0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-73},
    {0x1.a01a01a01a01ap-16, 0x1.a01a01a01a01ap-76},
    {0x1.71de3a556c734p-19, -0x1.c154f8ddc6cp-73},
    {0x1.27e4fb7789f5cp-22, 0x1.cbbc05b4fa99ap-76},
    {0x1.ae64567f544e4p-26, -0x1.c062e06d1f209p-80},
    {0x1.1eed8eff8d898p-29, -0x1.2aec959e14c06p-83},
    {0x1.6124613a86d09p-33, 0x1.f28e0cc748ebep-87},
    {0x1.93974a8c07c9dp-37, 0x1.05d6f8a2efd1fp-92},
    {0x1.ae7f3e733b81fp-41, 0x1.1d8656b0ee8cbp-97},
    {0x1.ae7f3e733b81fp-45, 0x1.1d8656b0ee8cbp-101},
    {0x1.952c77030ad4ap-49, 0x1.ac981465ddc6cp-103},
    {0x1.6827863b97d97p-53, 0x1.eec01221a8b0bp-107},
    {0x1.2f49b46814157p-57, 0x1.2650f61dbdcb4p-112},
    {0x1.e542ba4020225p-62, 0x1.ea72b4afe3c2fp-120},
    {0x1.71b8ef6dcf572p-66, -0x1.d043ae40c4647p-120},
    {0x1.0ce396db7f853p-70, -0x1.aebcdbd20331cp-124},
    {0x1.761b41316381ap-75, -0x1.3423c7d91404fp-130},
    {0x1.f2cf01972f578p-80, -0x1.9ada5fcc1ab14p-135},
    {0x1.3f3ccdd165fa9p-84, -0x1.58ddadf344487p-139},
    {0x1.88e85fc6a4e5ap-89, -0x1.71c37ebd1654p-143},
    {0x1.d1ab1c2dccea3p-94, 0x1.054d0c78aea14p-149},
    {0x1.0a18a2635085dp-98, 0x1.b9e2e28e1aa54p-153},
    {0x1.259f98b4358adp-103, 0x1.eaf8c39dd9bc5p-157},
    {0x1.3932c5047d60ep-108, 0x1.832b7b530a627p-162},
    {0x1.434d2e783f5bcp-113, 0x1.0b87b91be9affp-167},
};
// 1/(2n+1) for n = 1..10.
constexpr DD kInverseOdd[10] = {
    {0x1.5555555555555p-2, 0x1.5555555555555p-56},
    {0x1.999999999999ap-3, -0x1.999999999999ap-57},
    {0x1.2492492492492p-3, 0x1.2492492492492p-57},
    {0x1.c71c71c71c71cp-4, 0x1.c71c71c71c71cp-58},
    {0x1.745d1745d1746p-4, -0x1.745d1745d1746p-59},
    {0x1.3b13b13b13b14p-4, -0x1.3b13b13b13b14p-58},
    {0x1.1111111111111p-4, 0x1.1111111111111p-60},
    {0x1.e1e1e1e1e1e1ep-5, 0x1.e1e1e1e1e1e1ep-61},
    {0x1.af286bca1af28p-5, 0x1.af286bca1af28p-59},
    {0x1.8618618618618p-5, 0x1.8618618618618p-59},
};
// atan(j/64) for j = 0..64.
constexpr DD kAtanTable[65] = {
    {0x0p+0, 0x0p+0},
    {0x1.fff555bbb729bp-7, -0x1.220c39d4dff5p-61},
    {0x1.ffd55bba97625p-6, -0x1.5ec431444912cp-60},
    {0x1.7fb818430da2ap-5, -0x1.86ef8f794f105p-63},
    {0x1.ff55bb72cfdeap-5, -0x1.c934d86d23f1dp-60},
    {0x1.3f59f0e7c559dp-4, 0x1.ac4ce285df847p-58},
    {0x1.7ee182602f10fp-4, -0x1.cfb654c0c3d98p-58},
    {0x1.be39ebe6f07c3p-4, 0x1.f7b8f29a05987p-58},
    {0x1.fd5ba9aac2f6ep-4, -0x1.cd37686760c17p-59},
    {0x1.1e1fafb043727p-3, -0x1.b485914dacf8cp-59},
    {0x1.3d6eee8c6626cp-3, 0x1.61a3b0ce9281bp-57},
    {0x1.5c9811e3ec26ap-3, -0x1.054ab2c010f3dp-58},
    {0x1.7b97b4bce5b02p-3, 0x1.347b0b4f881cap-58},
    {0x1.9a6a8e96c8626p-3, 0x1.cf601e7b4348ep-59},
    {0x1.b90d7529260a2p-3, 0x1.17b10d2e0e5abp-61},
    {0x1.d77d5df205736p-3, 0x1.c648d1534597ep-57},
    {0x1.f5b75f92c80ddp-3, 0x1.8ab6e3cf7afbdp-57},
    {0x1.09dc597d86362p-2, 0x1.62e47390cb865p-56},
    {0x1.18bf5a30bf178p-2, 0x1.30ca4748b1bf9p-57},
    {0x1.278372057ef46p-2, -0x1.077cdd36dfc81p-56},
    {0x1.362773707ebccp-2, -0x1.963a544b672d8p-57},
    {0x1.44aa436c2af0ap-2, -0x1.5d5e43c55b3bap-56},
    {0x1.530ad9951cd4ap-2, -0x1.2566480884082p-57},
    {0x1.614840309cfe2p-2, -0x1.a725715711fp-56},
    {0x1.6f61941e4def1p-2, -0x1.c63aae6f6e918p-56},
    {0x1.7d5604b63b3f7p-2, 0x1.69c885c2b249ap-56},
    {0x1.8b24d394a1b25p-2, 0x1.b6d0ba3748fa8p-56},
    {0x1.98cd5454d6b18p-2, 0x1.9e6c988fd0a77p-56},
    {0x1.a64eec3cc23fdp-2, -0x1.24dec1b50b7ffp-56},
    {0x1.b3a911da65c6cp-2, 0x1.ae187b1ca504p-56},
    {0x1.c0db4c94ec9fp-2, -0x1.cc1ce70934c34p-56},
    {0x1.cde53432c1351p-2, -0x1.a2cfa4418f1adp-56},
    {0x1.dac670561bb4fp-2, 0x1.a2b7f222f65e2p-56},
    {0x1.e77eb7f175a34p-2, 0x1.0e53dc1bf3435p-56},
    {0x1.f40dd0b541418p-2, -0x1.a3992dc382a23p-57},
    {0x1.0039c73c1a40cp-1, -0x1.b32c949c9d593p-55},
    {0x1.0657e94db30dp-1, -0x1.d5b495f6349e6p-56},
    {0x1.0c6145b5b43dap-1, 0x1.974fa13b5404fp-58},
    {0x1.1255d9bfbd2a9p-1, -0x1.2bdaee1c0ee35p-58},
    {0x1.1835a88be7c13p-1, 0x1.c621cec00c301p-55},
    {0x1.1e00babdefeb4p-1, -0x1.928df287a668fp-58},
    {0x1.23b71e2cc9e6ap-1, 0x1.c421c9f38224ep-57},
    {0x1.2958e59308e31p-1, -0x1.09e73b0c6c087p-56},
    {0x1.2ee628406cbcap-1, 0x1.c5d5e9ff0cf8dp-55},
    {0x1.345f01cce37bbp-1, 0x1.1021137c71102p-55},
    {0x1.39c391cd4171ap-1, -0x1.2304331d8bf46p-55},
    {0x1.3f13fb89e96f4p-1, 0x1.ecf8b492644fp-56},
    {0x1.445065b795b56p-1, -0x1.f76d0163f79c8p-56},
    {0x1.4978fa3269ee1p-1, 0x1.2419a87f2a458p-56},
    {0x1.4e8de5bb6ec04p-1, 0x1.4a33dbeb3796cp-55},
    {0x1.538f57b89061fp-1, -0x1.1bb74abda520cp-55},
    {0x1.587d81f732fbbp-1, -0x1.5e5c9d8c5a95p-56},
    {0x1.5d58987169b18p-1, 0x1.0028e4bc5e7cap-57},
    {0x1.6220d115d7b8ep-1, -0x1.2b785350ee8c1p-57},
    {0x1.66d663923e087p-1, -0x1.6ea6febe8bbbap-56},
    {0x1.6b798920b3d99p-1, -0x1.a80386188c50ep-55},
    {0x1.700a7c5784634p-1, -0x1.8c34d25aadef6p-56},
    {0x1.748978fba8e0fp-1, 0x1.7b2a6165884a1p-59},
    {0x1.78f6bbd5d315ep-1, 0x1.406a08980374p-55},
    {0x1.7d528289fa093p-1, 0x1.560821e2f3aa9p-55},
    {0x1.819d0b7158a4dp-1, -0x1.bf76229d3b917p-56},
    {0x1.85d69576cc2c5p-1, 0x1.6b66e7fc8b8c3p-57},
    {0x1.89ff5ff57f1f8p-1, -0x1.55b9a5e177a1bp-55},
    {0x1.8e17aa99cc05ep-1, -0x1.ec182ab042f61p-56},
    {0x1.921fb54442d18p-1, 0x1.1a62633145c07p-55},
};

// sin(j/64) and cos(j/64) for j = 0..52.
constexpr DD kSinTable[53][2] = {
    {{0x0p+0, 0x0p+0}, {0x1p+0, 0x0p+0}},
    {{0x1.fffaaaaeeeed5p-7, -0x1.2ab639a9f0776p-63}, {0x1.fff000155549fp-1, 0x1.28a28a03a5ef3p-55}},
    {{0x1.ffeaaaeeee86fp-6, -0x1.cd406fb224ae2p-60}, {0x1.ffc00155527d3p-1, -0x1.3b54492d89b5bp-55}},
    {{0x1.7fdc01032fba9p-5, -0x1.599bdf46e997ap-59}, {0x1.ff7006bfdf99fp-1, -0x1.8b3b560648d5fp-56}},
    {{0x1.ffaaaeeed4edbp-5, -0x1.2d16d32684b69p-59}, {0x1.ff0015549f4d3p-1, 0x1.328387b99426fp-55}},
    {{0x1.3facb12d1755bp-4, -0x1.921915299468bp-58}, {0x1.fe7034129ef6fp-1, -0x1.cbf4337c96f97p-57}},
    {{0x1.7f701032550e4p-4, 0x1.afc2d1800501ap-60}, {0x1.fdc06bf7e6b9bp-1, 0x1.31902b535f8dbp-55}},
    {{0x1.bf1b78568391dp-4, 0x1.e91841dea4cc8p-58}, {0x1.fcf0c800e99b1p-1, 0x1.ea3d786d186acp-57}},
    {{0x1.feaaeee86ee36p-4, -0x1.afcb2bcc6f03bp-59}, {0x1.fc015527d5bd3p-1, 0x1.b68f35094efb8p-55}},
    {{0x1.1f0d3d7afceafp-3, -0x1.6ef95099769a5p-57}, {0x1.faf22263c4bd3p-1, -0x1.52ace133a2769p-58}},
    {{0x1.3eb312c5d66cbp-3, 0x1.47d666b66cb91p-57}, {0x1.f9c340a7cc428p-1, 0x1.c5b6b063b7462p-55}},
    {{0x1.5e44fcfa126f3p-3, -0x1.6f443063f89b6p-57}, {0x1.f874c2e1eecf6p-1, -0x1.c6514e1332b16p-55}},
    {{0x1.7dc102fbaf2b5p-3, 0x1.5ab50e23c97c3p-59}, {0x1.f706bdf9ece1cp-1, -0x1.698c80c36dcb4p-55}},
    {{0x1.9d252d0cec312p-3, 0x1.9c43d80b1137dp-58}, {0x1.f57948cff6797p-1, 0x1.e3a0d3e03b1d4p-57}},
    {{0x1.bc6f84edc6199p-3, 0x1.9c1a56a7b0cabp-57}, {0x1.f3cc7c3b3d16ep-1, -0x1.21a3ad28a3494p-57}},
    {{0x1.db9e15fb5a5dp-3, -0x1.32e20d6cc6fc2p-57}, {0x1.f20073086649fp-1, 0x1.b940416c1984bp-56}},
    {{0x1.faaeed4f31577p-3, -0x1.15d88508e32b8p-57}, {0x1.f01549f7deea1p-1, 0x1.d3c1e99e5cafdp-55}},
    {{0x1.0cd00cef36436p-2, -0x1.9fb0a0c93e2b4p-56}, {0x1.ee0b1fbc0f11cp-1, -0x1.bfd2380bbc3b1p-59}},
    {{0x1.1c37d64c6b876p-2, 0x1.46076fe0dcff4p-56}, {0x1.ebe214f76efa8p-1, -0x1.02f9f12ba543ep-55}},
    {{0x1.2b8ddc43eb49fp-2, 0x1.1553899f2d807p-57}, {0x1.e99a4c3a7cd83p-1, -0x1.2264b1bc53ce8p-55}},
    {{0x1.3ad129769d3d8p-2, 0x1.03d550487839ap-63}, {0x1.e733ea0193d4p-1, -0x1.6428b3546ce13p-55}},
    {{0x1.4a00c9b0f3d2p-2, 0x1.823ba6bb08eadp-56}, {0x1.e4af14b2a449cp-1, -0x1.68ca02e8a6833p-55}},
    {{0x1.591bc9fa2f597p-2, 0x1.7c74bac3fe0cbp-57}, {0x1.e20bf49acd6c1p-1, -0x1.660aec7ef636bp-58}},
    {{0x1.682138a38d7f7p-2, -0x1.d889202444aadp-56}, {0x1.df4ab3ebd875ep-1, -0x1.e2d8a7e6736c4p-55}},
    {{0x1.7710255764214p-2, -0x1.6ead7314bb6cep-57}, {0x1.dc6b7eb995912p-1, 0x1.4b364776dcd35p-58}},
    {{0x1.85e7a12826949p-2, 0x1.8a40e9b5facep-56}, {0x1.d96e82f71a9dcp-1, 0x1.ff61bd5d2039dp-55}},
    {{0x1.94a6be9f546c5p-2, -0x1.69ce13e683f58p-56}, {0x1.d653f073e404p-1, -0x1.76236434bec37p-55}},
    {{0x1.a34c91cc50ccap-2, -0x1.a310e3b50cecdp-58}, {0x1.d31bf8d8d7c06p-1, 0x1.e60dd3089cbddp-56}},
    {{0x1.b1d8305321617p-2, -0x1.ae242cb99f519p-56}, {0x1.cfc6cfa52ad9fp-1, 0x1.8b5b5508f2a0dp-55}},
    {{0x1.c048b17b140a3p-2, 0x1.19fe6757e9fa7p-57}, {0x1.cc54aa2b2972ep-1, 0x1.4ee162ba83a98p-57}},
    {{0x1.ce9d2e3d4a51fp-2, -0x1.2fc8a12dae298p-57}, {0x1.c8c5bf8ce1a84p-1, 0x1.ab3d1a1590123p-56}},
    {{0x1.dcd4c15329c9ap-2, 0x1.0d4c6e171fd9ap-56}, {0x1.c51a48b8b175ep-1, -0x1.1bbb43b9aa88p-57}},
    {{0x1.eaee8744b05fp-2, -0x1.789b43c9b027dp-58}, {0x1.c1528065b7d5p-1, -0x1.892111312e828p-55}},
    {{0x1.f8e99e76abc97p-2, 0x1.9d950af2d00a3p-58}, {0x1.bd6ea310294f5p-1, 0x1.31bbcc88c109dp-56}},
    {{0x1.0362939c69955p-1, -0x1.2d8cd78397b01p-55}, {0x1.b96eeef58840ep-1, 0x1.45a3cc78fadep-58}},
    {{0x1.0a4021e9e1001p-1, -0x1.6f643a13914f6p-55}, {0x1.b553a410c104ep-1, 0x1.8ff7947027a15p-58}},
    {{0x1.110d0c4b69c3bp-1, 0x1.d918998809981p-55}, {0x1.b11d04162a4c6p-1, 0x1.1dd561efbc0c2p-56}},
    {{0x1.17c8e5f2eedbp-1, 0x1.35e57102e2488p-57}, {0x1.accb526f69de5p-1, 0x1.8fb6a8dd6b6ccp-55}},
    {{0x1.1e7343236574cp-1, 0x1.22a3fa4f41d5ap-56}, {0x1.a85ed4373e02dp-1, 0x1.9be06385ec792p-57}},
    {{0x1.250bb93788bbbp-1, 0x1.ea3d02457bccep-56}, {0x1.a3d7d0352bdcfp-1, -0x1.68dbaeca19669p-55}},
    {{0x1.2b91dea88421ep-1, -0x1.fa371db216abp-55}, {0x1.9f368ed912f85p-1, -0x1.1d200c5791606p-55}},
    {{0x1.32054b148bc4fp-1, 0x1.f6b42095a135bp-55}, {0x1.9a7b5a36a6514p-1, 0x1.722cfcc9fa7a9p-55}},
    {{0x1.386597456282bp-1, -0x1.10fada93b07a8p-56}, {0x1.95a67e00cb1fdp-1, -0x1.0befda21f862dp-55}},
    {{0x1.3eb25d36cd53ap-1, -0x1.be570e1570fcp-58}, {0x1.90b84784ddaf7p-1, -0x1.0feb10ab93b87p-56}},
    {{0x1.44eb381cf386bp-1, -0x1.3ed6c1e6a5505p-55}, {0x1.8bb105a5dc9p-1, 0x1.863e03e9474c1p-55}},
    {{0x1.4b0fc46aab761p-1, 0x1.0da05738cc59cp-61}, {0x1.869108d77a6c6p-1, 0x1.338ffe2bfe9ddp-56}},
    {{0x1.511f9fd7b351cp-1, -0x1.5c0e861c48831p-55}, {0x1.8158a31916d5dp-1, -0x1.de8b90b8228dep-57}},
    {{0x1.571a6966d59b3p-1, 0x1.c843b4d0fb197p-58}, {0x1.7c0827f09e54fp-1, -0x1.c73d6d72aee68p-57}},
    {{0x1.5cffc16bf8f0dp-1, 0x1.96cb370eb578ap-55}, {0x1.769fec655211fp-1, -0x1.827d5cf8c68c5p-57}},
    {{0x1.62cf49921ac79p-1, -0x1.edd9855b6241ap-55}, {0x1.712046fa77678p-1, 0x1.425b0a5029c81p-55}},
    {{0x1.6888a4e134b2fp-1, -0x1.6b7d37644d5e6p-55}, {0x1.6b898fa9efb5dp-1, 0x1.15ac786ccf4b2p-56}},
    {{0x1.6e2b77c40bde1p-1, -0x1.0e729857fad53p-56}, {0x1.65dc1fdeb8cbap-1, -0x1.97c1b47337c77p-58}},
    {{0x1.73b7680dea578p-1, -0x1.2248306dc12a2p-56}, {0x1.6018526f563dfp-1, 0x1.46ca5e0e432dp-55}},
};

constexpr DD kHalfPi = {0x1.921fb54442d18p+0, 0x1.1a62633145c07p-54};
constexpr DD kPi = {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53};
// pi/2 as three 33-bit parts (their products with k < 2^20 are exact) and two more doubles.
constexpr double kHalfPiParts[5] = {0x1.921fb544p+0, 0x1.0b4611a6p-34, 0x1.3198a2ep-69, 0x1.b839a252049c1p-104,
                                    0x1.14cf98e804178p-160};
constexpr double kReducible = 0x1p20;

// x - k pi/2 with |result| <= about pi/4, and k modulo 4. |x| <= kReducible.
DD reduce(double x, int& quadrant) {
    const double k = std::round(x * 0x1.45f306dc9c883p-1);
    quadrant = static_cast<int>(static_cast<int64_t>(k) & 3);
    // x - k*C0 is exact (the two are within a factor of two unless k is 0); then each part.
    DD r = twoSum(x - k * kHalfPiParts[0], -k * kHalfPiParts[1]);
    r = add(r, DD{-k * kHalfPiParts[2], 0});
    r = add(r, neg(twoProd(k, kHalfPiParts[3])));
    return add(r, DD{-k * kHalfPiParts[4], 0});
}

// sum c[i] z^i for i = 0..n-1 by Horner's rule, with c[i] = sign^i * kInverseFactorial[first + step i].
DD series(DD z, int first, int n) {
    DD acc = kInverseFactorial[first + 2 * (n - 1)];
    if ((n - 1) % 2) acc = neg(acc);
    for (int i = n - 2; i >= 0; --i) {
        const DD c = i % 2 ? neg(kInverseFactorial[first + 2 * i]) : kInverseFactorial[first + 2 * i];
        acc = add(c, mul(acc, z));
    }
    return acc;
}

// sin r and cos r for |r| <= pi/4 + a little: the Taylor series to 2^-106.
DD sinSeries(DD r) { return mul(r, series(mul(r, r), 1, 15)); }
DD cosSeries(DD r) { return series(mul(r, r), 0, 16); }

// sin r or cos r to about 2^-67 relative: sin and cos of the nearest a = j/64 from the table and
// those of b = r - a (|b| <= 1/128), whose small terms are summed in doubles.
DD sinCosQuickly(DD r, bool cosine) {
    const int j = static_cast<int>(std::round(r.hi * 64));
    const int n = j < 0 ? -j : j;
    const DD sa = j < 0 ? neg(kSinTable[n][0]) : kSinTable[n][0], ca = kSinTable[n][1];
    const DD b = add(twoSum(r.hi, -j / 64.0), DD{r.lo, 0});
    const double z = b.hi * b.hi;
    const double sinTail = b.hi * z * (-1.0 / 6 + z * (1.0 / 120 + z * (-1.0 / 5040 + z * (1.0 / 362880 - z / 39916800))));
    const double cosTail = z * z * (1.0 / 24 + z * (-1.0 / 720 + z * (1.0 / 40320 - z / 3628800)));
    const DD sb = add(b, DD{sinTail, 0});
    const DD cb = add(add(DD{1, 0}, mul(mul(b, b), DD{-0.5, 0})), DD{cosTail, 0});
    return cosine ? sub(mul(ca, cb), mul(sa, sb)) : add(mul(sa, cb), mul(ca, sb));
}

// atan t for 0 <= t <= 1: atan(c) from the table for the nearest c = j/64, and atan u of
// u = (t - c) / (1 + t c), below 1/100: its series in double-double (accurate) or its small
// terms in doubles (to about 2^-67 relative).
DD atanUnit(DD t, bool accurate) {
    const int j = static_cast<int>(std::round(t.hi * 64));
    const double c = j / 64.0;
    const DD u = div(add(t, DD{-c, 0}), add(DD{1, 0}, mul(t, DD{c, 0})));
    if (!accurate) {
        const double z = u.hi * u.hi;
        const double tail = u.hi * z * (-1.0 / 3 + z * (1.0 / 5 + z * (-1.0 / 7 + z * (1.0 / 9 - z / 11))));
        return add(kAtanTable[j], add(u, DD{tail, 0}));
    }
    const DD u2 = mul(u, u);
    DD acc = neg(kInverseOdd[8]);
    for (int i = 7; i >= 0; --i) acc = add(i % 2 ? kInverseOdd[i] : neg(kInverseOdd[i]), mul(acc, u2));
    // u (1 - u^2/3 + u^4/5 - ...): the loop built -1/3 + u^2/5 - ... - u^16/19.
    return add(kAtanTable[j], add(u, mul(u, mul(u2, acc))));
}

// Ziv's rounding test: true, with the double nearest to v, when every value within err |v| of
// v rounds to that same double.
bool settled(DD v, double err, double& out) {
    const double e = err * std::fabs(v.hi);
    const double up = v.hi + (v.lo + e);
    if (up != v.hi + (v.lo - e)) return false;
    out = up;
    return true;
}
constexpr double kQuickError = 0x1p-63;

// The angle of (x, y) for finite non-zero double-doubles, in double-double.
DD angle(DD y, DD x, bool accurate) {
    const bool steep = std::fabs(y.hi) > std::fabs(x.hi);
    const DD ay = y.hi < 0 ? neg(y) : y, ax = x.hi < 0 ? neg(x) : x;
    DD a = atanUnit(steep ? div(ax, ay) : div(ay, ax), accurate);
    if (steep) a = sub(kHalfPi, a);
    if (x.hi < 0) a = sub(kPi, a);
    return y.hi < 0 ? neg(a) : a;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

double sin(double x) {
    if (std::fabs(x) < 0x1p-27) return x;  // x - x^3/6 rounds to x
    if (!(std::fabs(x) <= kReducible)) return std::sin(x);
    int q = 0;
    const DD r = reduce(x, q);
    const double sign = q >= 2 ? -1 : 1;
    if (double quick; settled(sinCosQuickly(r, q % 2), kQuickError, quick)) return sign * quick;
    return sign * rounded(q % 2 ? cosSeries(r) : sinSeries(r));
}

double cos(double x) {
    if (std::fabs(x) < 0x1p-27) return 1.0;  // 1 - x^2/2 rounds to 1
    if (!(std::fabs(x) <= kReducible)) return std::cos(x);
    int q = 0;
    const DD r = reduce(x, q);
    const double sign = q == 1 || q == 2 ? -1 : 1;
    if (double quick; settled(sinCosQuickly(r, q % 2 == 0), kQuickError, quick)) return sign * quick;
    return sign * rounded(q % 2 ? sinSeries(r) : cosSeries(r));
}

double atan2(double y, double x) {
    if (std::isnan(x) || std::isnan(y)) return x + y;
    const bool westward = std::signbit(x);
    if (y == 0) return std::copysign(westward ? rounded(kPi) : 0.0, y);
    if (x == 0) return std::copysign(rounded(kHalfPi), y);
    if (std::isinf(x) || std::isinf(y)) {
        const double a = !std::isinf(x) ? rounded(kHalfPi)
                         : std::isinf(y) ? (westward ? rounded(mul(kPi, DD{0.75, 0})) : rounded(mul(kPi, DD{0.25, 0})))
                                         : (westward ? rounded(kPi) : 0.0);
        return std::copysign(a, y);
    }
    const int ey = std::ilogb(y), ex = std::ilogb(x);
    if (ex - ey > 60) {
        // |y/x| below 2^-60: atan(t) = t (1 - t^2/3) is t rounded, or pi minus it.
        const double t = y / x;
        return westward ? std::copysign(rounded(sub(kPi, DD{std::fabs(t), 0})), y) : t;
    }
    if (ey - ex > 60) {
        const double t = std::fabs(x / y);
        return std::copysign(rounded(westward ? add(kHalfPi, DD{t, 0}) : sub(kHalfPi, DD{t, 0})), y);
    }
    // Scaled by a power of two near 1, where the double-double steps neither overflow nor underflow.
    const int e = std::max(ey, ex);
    const DD sy{std::ldexp(y, -e), 0}, sx{std::ldexp(x, -e), 0};
    if (double quick; settled(angle(sy, sx, false), kQuickError, quick)) return quick;
    return rounded(angle(sy, sx, true));
}

double atan(double x) {
    if (std::fabs(x) < 0x1p-27) return x;  // x - x^3/3 rounds to x
    return atan2(x, 1.0);
}

namespace {

// sqrt(1 - x^2) for |x| <= 1: x^2 is exact as a double-double, and so is 1 minus its high part.
DD cosineOfSine(double x) { return sqrt(sub(DD{1, 0}, twoProd(x, x))); }

}  // namespace

double asin(double x) {
    if (std::fabs(x) < 0x1p-27) return x;  // x + x^3/6 rounds to x
    if (!(std::fabs(x) <= 1)) return kNaN;
    if (std::fabs(x) == 1) return std::copysign(rounded(kHalfPi), x);
    const DD c = cosineOfSine(x);
    if (double quick; settled(angle(DD{x, 0}, c, false), kQuickError, quick)) return quick;
    return rounded(angle(DD{x, 0}, c, true));
}

double acos(double x) {
    if (!(std::fabs(x) <= 1)) return kNaN;
    if (x == 1) return 0.0;
    if (x == -1) return rounded(kPi);
    if (x == 0) return rounded(kHalfPi);
    const DD s = cosineOfSine(x);
    if (double quick; settled(angle(s, DD{x, 0}, false), kQuickError, quick)) return quick;
    return rounded(angle(s, DD{x, 0}, true));
}

}  // namespace trakor::math::correct
