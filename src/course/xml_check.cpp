// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/xml_check.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

// SSE2 scans on x86-64; every other processor takes the plain byte loops.
#if defined(__SSE2__) && defined(__x86_64__)
#define TRAKOR_XML_SSE2 1
#include <emmintrin.h>
#endif

namespace trakor {

namespace {

// Length of the UTF-8 sequence a byte starts (1 for ASCII), or 0 for a byte that starts none.
size_t sequenceLength(uint8_t c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 0;
}

// Whether the `len` bytes at d form one valid sequence (no overlong form, no surrogate, at most U+10FFFF).
bool validSequence(const uint8_t* d, size_t len) {
    static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    uint32_t cp = d[0] & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k) {
        if ((d[k] & 0xC0) != 0x80) return false;
        cp = cp << 6 | (d[k] & 0x3F);
    }
    return cp >= kMin[len] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
}

#ifdef TRAKOR_XML_SSE2
uint64_t sumBytes(__m128i counts) {
    const __m128i s = _mm_sad_epu8(counts, _mm_setzero_si128());
    return static_cast<uint64_t>(_mm_cvtsi128_si64(s)) +
           static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(s, s)));
}
#endif

// Line feeds in d[0..n).
uint64_t lineFeeds(const uint8_t* d, size_t n) {
    uint64_t lf = 0;
    size_t i = 0;
#ifdef TRAKOR_XML_SSE2
    const __m128i nl = _mm_set1_epi8('\n');
    while (n - i >= 16) {
        __m128i acc = _mm_setzero_si128();
        for (int k = 0; k < 255 && n - i >= 16; ++k, i += 16)
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i)), nl));
        lf += sumBytes(acc);
    }
#endif
    for (; i < n; ++i) lf += d[i] == '\n';
    return lf;
}

// Checks d[0..n) as UTF-8 and counts its line feeds into lf, up to the first fault: returns the
// offset of the first byte that starts no valid sequence, or n. A sequence that the end cuts off
// is left out of the check and its offset put in `cut` (otherwise cut is n).
size_t checkUtf8(const uint8_t* d, size_t n, uint64_t& lf, size_t& cut) {
    size_t i = 0;
    cut = n;
#ifdef TRAKOR_XML_SSE2
    const __m128i nl = _mm_set1_epi8('\n');
#endif
    while (i < n) {
#ifdef TRAKOR_XML_SSE2
        // ASCII 16 bytes at a time, counting line feeds on the way.
        if (n - i >= 16) {
            __m128i acc = _mm_setzero_si128();
            int k = 0;
            for (; k < 255 && n - i >= 16; ++k, i += 16) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
                if (_mm_movemask_epi8(v) != 0) break;
                acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(v, nl));
            }
            lf += sumBytes(acc);
            if (k > 0) continue;
        }
#endif
        const uint8_t c = d[i];
        if (c < 0x80) {
            lf += c == '\n';
            ++i;
            continue;
        }
        const size_t len = sequenceLength(c);
        if (len == 0) return i;
        if (n - i < len) {
            cut = i;
            return n;
        }
        if (!validSequence(d + i, len)) return i;
        i += len;
    }
    return n;
}

// Character classes by byte: 1 space, 2 may start a name, 4 may continue a name.
struct CharClasses {
    uint8_t of[256] = {};
    constexpr CharClasses() {
        for (int c : {' ', '\t', '\n', '\r'}) of[c] = 1;
        for (int c = 0; c < 256; ++c) {
            const bool start = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
            if (start) of[c] |= 2 | 4;
            if ((c >= '0' && c <= '9') || c == '-' || c == '.') of[c] |= 4;
        }
    }
};
constexpr CharClasses kClasses;

bool isSpace(uint8_t c) { return (kClasses.of[c] & 1) != 0; }
bool isNameStart(uint8_t c) { return (kClasses.of[c] & 2) != 0; }
bool isNameChar(uint8_t c) { return (kClasses.of[c] & 4) != 0; }

// The first '<' or '&' from p on, or end: character data runs up to there.
const uint8_t* textEnd(const uint8_t* p, const uint8_t* const end) {
#ifdef TRAKOR_XML_SSE2
    const __m128i lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&');
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hit = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp)));
        if (hit != 0) return p + __builtin_ctz(static_cast<unsigned>(hit));
        p += 16;
    }
#endif
    while (p < end && *p != '<' && *p != '&') ++p;
    return p;
}

// The end of a run of name characters from p on.
const uint8_t* nameEnd(const uint8_t* p, const uint8_t* const end) {
    while (p < end && isNameChar(*p)) ++p;
    return p;
}

bool sameBytes(const uint8_t* a, const char* b, size_t n) {
    for (; n >= 8; a += 8, b += 8, n -= 8) {
        uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) return false;
    }
    for (; n > 0; --n)
        if (*a++ != static_cast<uint8_t>(*b++)) return false;
    return true;
}

enum class Step { Done, More, Fault };

}  // namespace

// The scan of one stretch of text that holds whole tokens, except perhaps the last. Unless the
// stretch ends the document, a token that runs into its end is left for the next stretch (More).
class XmlStreamCheck::Window {
public:
    Window(XmlStreamCheck& doc, const uint8_t* d, size_t n, bool last) : doc_(doc), d_(d), n_(n), last_(last) {}

    // Scans tokens while the position is before `stop`: Done (at stop or beyond, or the end),
    // More (at the start of a token that needs more text) or Fault (faultAt and reason set).
    Step scan(size_t stop) {
        if (!doc_.bomChecked_) {
            if (n_ < 3 && !last_) return Step::More;
            doc_.bomChecked_ = true;
            if (n_ >= 3 && d_[0] == 0xEF && d_[1] == 0xBB && d_[2] == 0xBF) i_ = 3;
        }
        while (i_ < n_ && i_ < stop) {
            const uint8_t c = d_[i_];
            if (c != '<' && c != '&') {
                if (doc_.openLengths_.empty()) {
                    if (!isSpace(c)) return fault(i_, "text outside the root element");
                    ++i_;
                } else {
                    i_ = static_cast<size_t>(textEnd(d_ + i_, d_ + n_) - d_);
                }
                continue;
            }
            // The usual tags inside the root, a plain start tag or the open element's end tag,
            // go without the general reading below.
            if (c == '<' && !doc_.openLengths_.empty() && n_ - i_ > 2) {
                const uint8_t next = d_[i_ + 1];
                if (next == '/') {
                    const std::string_view t = top();
                    const size_t close = i_ + 2 + t.size();
                    if (close < n_ && d_[close] == '>' && sameBytes(d_ + i_ + 2, t.data(), t.size())) {
                        pop();
                        i_ = close + 1;
                        if (!doc_.openLengths_.empty()) i_ = static_cast<size_t>(textEnd(d_ + i_, d_ + n_) - d_);
                        continue;
                    }
                } else if (isNameStart(next)) {
                    const size_t end = static_cast<size_t>(nameEnd(d_ + i_ + 2, d_ + n_) - d_);
                    if (end < n_ && d_[end] == '>') {
                        push({reinterpret_cast<const char*>(d_ + i_ + 1), end - i_ - 1});
                        i_ = static_cast<size_t>(textEnd(d_ + end + 1, d_ + n_) - d_);
                        continue;
                    }
                }
            }
            const size_t start = i_;
            const bool rootSeen = doc_.rootSeen_;
            short_ = false;
            bool done;
            if (c == '<') {
                done = markup();
            } else if (doc_.openLengths_.empty()) {
                return fault(i_, "text outside the root element");
            } else {
                done = reference();
            }
            if (done) continue;
            if (short_ && !last_) {
                i_ = start;
                doc_.rootSeen_ = rootSeen;
                return Step::More;
            }
            return Step::Fault;
        }
        return Step::Done;
    }

    size_t pos() const { return i_; }
    size_t faultAt() const { return faultAt_; }
    std::string& reason() { return reason_; }

private:
    // Whether offset i is past the text; then the token may continue in the next stretch.
    bool beyond(size_t i) {
        if (i < n_) return false;
        short_ = true;
        return true;
    }
    bool startsWith(std::string_view s) {
        if (n_ - i_ < s.size()) {
            short_ = true;
            return false;
        }
        return std::memcmp(d_ + i_, s.data(), s.size()) == 0;
    }
    // Moves past the next occurrence of `end`; false when there is none.
    bool skipPast(std::string_view end, const char* what) {
        const std::string_view hay(reinterpret_cast<const char*>(d_), n_);
        const size_t at = hay.find(end, i_);
        if (at == std::string_view::npos) {
            short_ = true;
            return failB(i_, what);
        }
        i_ = at + end.size();
        return true;
    }
    std::string_view name() {
        const size_t start = i_;
        if (beyond(i_) || !isNameStart(d_[i_])) return {};
        i_ = static_cast<size_t>(nameEnd(d_ + i_ + 1, d_ + n_) - d_);
        beyond(i_);
        return {reinterpret_cast<const char*>(d_ + start), i_ - start};
    }
    void spaces() {
        while (!beyond(i_) && isSpace(d_[i_])) ++i_;
    }
    std::string_view top() const { return doc_.openName(); }
    void push(std::string_view n) {
        std::vector<char>& names = doc_.openNames_;
        if (names.size() - doc_.openEnd_ < n.size()) names.resize(2 * names.size() + n.size() + 256);
        std::memcpy(names.data() + doc_.openEnd_, n.data(), n.size());
        doc_.openEnd_ += n.size();
        doc_.openLengths_.push_back(static_cast<uint32_t>(n.size()));
    }
    void pop() {
        doc_.openEnd_ -= doc_.openLengths_.back();
        doc_.openLengths_.pop_back();
    }

    bool markup() {
        const uint8_t next = beyond(i_ + 1) ? 0 : d_[i_ + 1];
        const bool open = !doc_.openLengths_.empty();
        if (next == '?') return skipPast("?>", "processing instruction not closed");
        if (next == '!') {
            if (startsWith("<!--")) {
                // A comment holds no "--" before the "-->" that ends it.
                const size_t at = i_;
                i_ += 4;
                if (!skipPast("--", "comment not closed")) return false;
                if (beyond(i_) || d_[i_] != '>') return failB(at, "'--' in a comment");
                ++i_;
                return true;
            }
            if (startsWith("<![CDATA[")) {
                if (!open) return failB(i_, "text outside the root element");
                return skipPast("]]>", "CDATA section not closed");
            }
            if (startsWith("<!DOCTYPE")) {
                if (doc_.rootSeen_) return failB(i_, "document type after the root element");
                return skipPast(">", "document type not closed");
            }
            return failB(i_, "tag name missing");
        }
        if (next == '/') {
            const size_t at = i_;
            // The usual case: the name of the open element, then '>'.
            if (open) {
                const std::string_view t = top();
                const size_t close = i_ + 2 + t.size();
                if (!beyond(close) && d_[close] == '>' && sameBytes(d_ + i_ + 2, t.data(), t.size())) {
                    pop();
                    i_ = close + 1;
                    return true;
                }
            }
            i_ += 2;
            const std::string_view n = name();
            spaces();
            if (n.empty() || beyond(i_) || d_[i_] != '>') return failB(at, "end tag damaged");
            if (!open || top() != n) return failB(at, "end tag </" + std::string(n) + "> does not match");
            pop();
            ++i_;
            return true;
        }
        const size_t at = i_;
        ++i_;
        const std::string_view n = name();
        if (n.empty()) return failB(at, "tag name missing");
        if (!open) {
            if (doc_.rootSeen_) return failB(at, "second root element");
            doc_.rootSeen_ = true;
        }
        attributes_.clear();
        while (true) {
            const size_t before = i_;
            spaces();
            if (beyond(i_)) return failB(at, "tag not closed");
            if (d_[i_] == '>') {
                push(n);
                ++i_;
                return true;
            }
            if (d_[i_] == '/') {
                if (beyond(i_ + 1) || d_[i_ + 1] != '>') return failB(i_, "tag damaged");
                i_ += 2;
                return true;
            }
            if (i_ == before) return failB(i_, "attribute without space before it");
            if (!attribute()) return false;
        }
    }

    bool attribute() {
        const size_t at = i_;
        const std::string_view n = name();
        if (n.empty()) return failB(at, "attribute name missing");
        if (std::find(attributes_.begin(), attributes_.end(), n) != attributes_.end())
            return failB(at, "attribute " + std::string(n) + " given twice");
        attributes_.push_back(n);
        spaces();
        if (beyond(i_) || d_[i_] != '=') return failB(at, "attribute without value");
        ++i_;
        spaces();
        if (beyond(i_) || (d_[i_] != '"' && d_[i_] != '\'')) return failB(at, "attribute value not quoted");
        const uint8_t quote = d_[i_++];
        while (!beyond(i_) && d_[i_] != quote) {
            if (d_[i_] == '<') return failB(i_, "'<' in an attribute value");
            if (d_[i_] == '&') {
                if (!reference()) return false;
            } else {
                ++i_;
            }
        }
        if (beyond(i_)) return failB(at, "attribute value not closed");
        ++i_;
        return true;
    }

    // An entity or character reference at '&': at most 11 characters before its ';'.
    bool reference() {
        const size_t at = i_;
        constexpr size_t kLongest = 13;
        const size_t look = std::min(n_ - i_, kLongest);
        const void* semiAt = std::memchr(d_ + i_, ';', look);
        if (semiAt == nullptr) {
            if (look < kLongest) short_ = true;
            return failB(at, "'&' that starts no reference");
        }
        const size_t semi = static_cast<size_t>(static_cast<const uint8_t*>(semiAt) - d_);
        const std::string_view ref(reinterpret_cast<const char*>(d_ + i_ + 1), semi - i_ - 1);
        bool good = ref == "lt" || ref == "gt" || ref == "amp" || ref == "apos" || ref == "quot";
        if (!good && ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            good = !digits.empty() && std::all_of(digits.begin(), digits.end(), [hex](char ch) {
                return (ch >= '0' && ch <= '9') || (hex && ((ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F')));
            });
        }
        if (!good) return failB(at, "unknown reference");
        i_ = semi + 1;
        return true;
    }

    Step fault(size_t at, std::string reason) {
        failB(at, std::move(reason));
        return Step::Fault;
    }
    bool failB(size_t at, std::string reason) {
        faultAt_ = std::min(at, n_);
        reason_ = std::move(reason);
        return false;
    }

    XmlStreamCheck& doc_;
    const uint8_t* d_;
    size_t n_;
    bool last_;
    size_t i_ = 0;
    bool short_ = false;  // the token being read ran into the end of the text
    size_t faultAt_ = 0;
    std::string reason_;
    std::vector<std::string_view> attributes_;
};

void XmlStreamCheck::failStructure(uint64_t lineFeedsBefore, std::string reason) {
    structureFault_ = {false, static_cast<int32_t>(lineFeedsBefore + 1), std::move(reason)};
    carry_.clear();
    carry_.shrink_to_fit();
}

// Scans the piece that follows the carried text; fed_ and lineFeeds_ still count the text before it.
void XmlStreamCheck::scanPiece(const uint8_t* data, size_t n, bool last) {
    size_t from = 0;
    if (!carry_.empty()) {
        // The carried token is completed with as little of the piece as it needs; the rest of
        // the piece is then read where it lies.
        size_t old = carry_.size();
        for (size_t taken = 0;;) {
            const size_t want = std::min(n, std::max<size_t>(2 * taken, 256));
            carry_.append(reinterpret_cast<const char*>(data) + taken, want - taken);
            taken = want;
            Window w(*this, reinterpret_cast<const uint8_t*>(carry_.data()), carry_.size(), last && taken == n);
            const Step s = w.scan(old);
            if (s == Step::Fault) {
                const auto* c = reinterpret_cast<const uint8_t*>(carry_.data());
                const size_t at = w.faultAt();
                const uint64_t before =
                    at < old ? lineFeeds_ - lineFeeds(c + at, old - at) : lineFeeds_ + lineFeeds(c + old, at - old);
                failStructure(before, std::move(w.reason()));
                return;
            }
            if (w.pos() >= old) {
                from = w.pos() - old;
                carry_.clear();
                break;
            }
            // Tokens before the one that needs more text are done with.
            carry_.erase(0, w.pos());
            old -= w.pos();
            if (taken == n) return;
        }
    }
    if (from < n || last) {
        Window w(*this, data + from, n - from, last);
        const Step s = w.scan(SIZE_MAX);
        if (s == Step::Fault) {
            failStructure(lineFeeds_ + lineFeeds(data, from + w.faultAt()), std::move(w.reason()));
            return;
        }
        carry_.assign(reinterpret_cast<const char*>(data) + from + w.pos(), n - from - w.pos());
    }
    if (!last) return;
    if (!openLengths_.empty()) {
        failStructure(lineFeeds_ + lineFeeds(data, n), "element <" + std::string(openName()) + "> not closed");
    } else if (!rootSeen_) {
        failStructure(lineFeeds_ + lineFeeds(data, n), "no root element");
    }
}

bool XmlStreamCheck::checkUtf8Piece(const uint8_t* d, size_t n, uint64_t& lf) {
    size_t i = 0;
    if (cutSize_ > 0) {
        // The sequence the last piece cut off, completed from this one.
        const size_t len = sequenceLength(cut_[0]);
        while (cutSize_ < len && i < n) cut_[cutSize_++] = d[i++];
        if (cutSize_ < len) return true;
        cutSize_ = 0;
        // Its bytes hold no line feed: the fault is on the line the piece starts on.
        if (!validSequence(cut_, len)) {
            utf8Fault_ = {false, static_cast<int32_t>(lineFeeds_ + 1), "byte that is not UTF-8"};
            return false;
        }
    }
    size_t cut = n;
    const size_t bad = checkUtf8(d + i, n - i, lf, cut);
    if (bad < n - i) {
        utf8Fault_ = {false, static_cast<int32_t>(lineFeeds_ + lf + 1), "byte that is not UTF-8"};
        return false;
    }
    if (cut < n - i) {
        cutSize_ = n - i - cut;
        std::memcpy(cut_, d + i + cut, cutSize_);
    }
    return true;
}

void XmlStreamCheck::feed(const uint8_t* data, size_t size) {
    if (!utf8Fault_.ok) return;
    uint64_t lf = 0;
    if (!checkUtf8Piece(data, size, lf)) {
        carry_.clear();
        return;
    }
    if (structureFault_.ok) scanPiece(data, size, false);
    fed_ += size;
    lineFeeds_ += lf;
}

XmlCheck XmlStreamCheck::finish() {
    if (utf8Fault_.ok && cutSize_ > 0) {
        utf8Fault_ = {false, static_cast<int32_t>(lineFeeds_ + 1), "byte that is not UTF-8"};
        cutSize_ = 0;
    }
    if (!utf8Fault_.ok) return utf8Fault_;
    if (structureFault_.ok) scanPiece(nullptr, 0, true);
    return structureFault_;
}

XmlCheck checkXmlText(const uint8_t* data, size_t size) {
    XmlStreamCheck check;
    check.feed(data, size);
    return check.finish();
}

XmlCheck checkXmlFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {false, 0, "file cannot be read"};
    XmlStreamCheck check;
    std::vector<uint8_t> piece(size_t{1} << 16);
    for (;;) {
        const ssize_t n = ::read(fd, piece.data(), piece.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return {false, 0, "file cannot be read"};
        }
        check.feed(piece.data(), static_cast<size_t>(n));
    }
    ::close(fd);
    return check.finish();
}

}  // namespace trakor
