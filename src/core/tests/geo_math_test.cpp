// SPDX-License-Identifier: GPL-3.0-or-later
// The correctly rounded functions against MPFR's correctly rounded results, on the arguments the
// geometry gives and on random doubles of every magnitude and the special values.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/geo_math.h"

namespace trakor {
namespace {

using Unary = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

// The exact value rounded once to a double (subnormals included).
class Exact {
public:
    Exact() {
        mpfr_set_emin(-1073);
        mpfr_set_emax(1024);
        mpfr_inits2(53, a_, b_, r_, static_cast<mpfr_ptr>(nullptr));
    }
    ~Exact() { mpfr_clears(a_, b_, r_, static_cast<mpfr_ptr>(nullptr)); }
    double operator()(Unary f, double x) {
        mpfr_set_d(a_, x, MPFR_RNDN);
        return result(f(r_, a_, MPFR_RNDN));
    }
    double atan2(double y, double x) {
        mpfr_set_d(a_, y, MPFR_RNDN);
        mpfr_set_d(b_, x, MPFR_RNDN);
        return result(mpfr_atan2(r_, a_, b_, MPFR_RNDN));
    }

private:
    double result(int ternary) {
        mpfr_subnormalize(r_, ternary, MPFR_RNDN);
        return mpfr_get_d(r_, MPFR_RNDN);
    }
    mpfr_t a_, b_, r_;
};

bool same(double a, double b) { return std::isnan(a) ? std::isnan(b) : std::memcmp(&a, &b, sizeof a) == 0; }

double randomDouble(std::mt19937_64& rng) {
    const uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::vector<double> specials() {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> v = {0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 0x1p-27, 0x1.fffffffffffffp-28, 0x1p-1074,
                             -0x1p-1022, 1e-300, std::nextafter(1.0, 0.0), std::nextafter(-1.0, 0.0), 1.5, 2.0,
                             inf, -inf, std::nan(""), 0x1p20, -0x1p20, 1e300};
    // Doubles nearest to multiples of pi/4, where the reduction cancels most digits.
    for (int k = -40; k <= 40; ++k) {
        const double m = k * 0.7853981633974483;
        v.insert(v.end(), {m, std::nextafter(m, inf), std::nextafter(m, -inf)});
    }
    return v;
}

TEST(CorrectMath, SineAndCosineAreCorrectlyRounded) {
    Exact exact;
    std::vector<double> xs = specials();
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> radians(-7, 7), degrees(-180, 180), wide(-0x1p20, 0x1p20);
    for (int i = 0; i < 40000; ++i) {
        xs.push_back(radians(rng));
        xs.push_back(degrees(rng) * 0.017453292519943295 / 2);  // the half angles of the course geometry
        xs.push_back(wide(rng));
        xs.push_back(std::ldexp(radians(rng), -static_cast<int>(rng() % 40)));
        xs.push_back(randomDouble(rng));
    }
    for (double x : xs) {
        ASSERT_TRUE(same(math::correct::sin(x), exact(mpfr_sin, x)) || std::fabs(x) > 0x1p20) << std::hexfloat << x;
        ASSERT_TRUE(same(math::correct::cos(x), exact(mpfr_cos, x)) || std::fabs(x) > 0x1p20) << std::hexfloat << x;
    }
}

TEST(CorrectMath, InverseFunctionsAreCorrectlyRounded) {
    Exact exact;
    std::vector<double> xs = specials();
    std::mt19937_64 rng(2);
    std::uniform_real_distribution<double> unit(-1, 1), nearOne(0, 1e-9);
    for (int i = 0; i < 40000; ++i) {
        xs.push_back(unit(rng));
        xs.push_back(1 - nearOne(rng));  // the cosines of short distances
        xs.push_back(std::ldexp(unit(rng), -static_cast<int>(rng() % 60)));
        xs.push_back(randomDouble(rng));
    }
    for (double x : xs) {
        ASSERT_TRUE(same(math::correct::asin(x), exact(mpfr_asin, x))) << std::hexfloat << x;
        ASSERT_TRUE(same(math::correct::acos(x), exact(mpfr_acos, x))) << std::hexfloat << x;
        ASSERT_TRUE(same(math::correct::atan(x), exact(mpfr_atan, x))) << std::hexfloat << x;
    }
    const std::vector<double> special = specials();
    for (double y : special)
        for (double x : special) ASSERT_TRUE(same(math::correct::atan2(y, x), exact.atan2(y, x))) << y << ", " << x;
    for (int i = 0; i < 40000; ++i) {
        const double y = i % 2 ? unit(rng) : randomDouble(rng), x = i % 3 ? unit(rng) : randomDouble(rng);
        ASSERT_TRUE(same(math::correct::atan2(y, x), exact.atan2(y, x))) << std::hexfloat << y << ", " << x;
    }
}

}  // namespace
}  // namespace trakor
