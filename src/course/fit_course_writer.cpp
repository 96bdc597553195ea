// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/fit_course_writer.h"

#include <filesystem>
#include <algorithm>
#include <cmath>
#include <cerrno>
#include <ctime>
#include <initializer_list>

#include "core/context.h"
#include "core/fit_crc.h"
#include "course/course_messages.h"
#include "course/course_names.h"
#include "course/course_prepare.h"
#include "course/course_walk.h"
#include "platform/atomic_file.h"
#include "platform/file_delivery.h"
#include "platform/utf8.h"

namespace trakor {

namespace {

// FIT seconds count from 1989-12-31 00:00 UTC.
constexpr int64_t kFitEpoch = 631065600;
constexpr uint16_t kProfileVersion = 2132;

// Global message numbers and the values this writer gives them.
constexpr uint16_t kFileIdMsg = 0, kLapMsg = 19, kRecordMsg = 20, kEventMsg = 21, kCourseMsg = 31,
                   kCoursePointMsg = 32;
constexpr uint8_t kFileTypeCourse = 6;
constexpr uint16_t kManufacturerDevelopment = 255;
constexpr uint8_t kSportCycling = 2;
constexpr uint8_t kEventTimer = 0, kEventStart = 0, kEventStopAll = 4;
constexpr uint8_t kCoursePointLeft = 6, kCoursePointRight = 7;

// Base types of the fields.
constexpr uint8_t kEnum = 0x00, kUint8 = 0x02, kUint16 = 0x84, kSint32 = 0x85, kUint32 = 0x86, kString = 0x07;
constexpr uint16_t kInvalidU16 = 0xFFFF;
constexpr uint32_t kInvalidU32 = 0xFFFFFFFF;

// Local message types: one definition each, given once at the start.
enum Local : uint8_t { kLocalFileId, kLocalCourse, kLocalLap, kLocalEvent, kLocalRecord, kLocalCoursePoint };

struct FieldDef {
    uint8_t number, size, baseType;
};

class FitEncoder {
public:
    void define(Local local, uint16_t global, std::initializer_list<FieldDef> fields) {
        data_ += static_cast<char>(0x40 | local);
        u8(0);
        u8(0);  // little-endian
        u16(global);
        u8(static_cast<uint8_t>(fields.size()));
        for (const FieldDef& f : fields) {
            u8(f.number);
            u8(f.size);
            u8(f.baseType);
        }
    }
    void begin(Local local) { data_ += static_cast<char>(local); }
    void u8(uint8_t v) { data_ += static_cast<char>(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void s32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    // A text in a field of `size` bytes, zero-padded; cut at a character boundary to leave the end zero.
    void text(const std::string& s, uint8_t size) {
        const std::string_view cut = utf8PrefixBytes(s, size - 1u);
        data_ += cut;
        data_.append(size - cut.size(), '\0');
    }

    // The whole file: header, messages, CRC.
    std::string finish() const {
        std::string file;
        file.reserve(data_.size() + 16);
        const uint32_t size = static_cast<uint32_t>(data_.size());
        const uint8_t head[12] = {14, 0x20, kProfileVersion & 0xFF, kProfileVersion >> 8,
                                  static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                  static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24),
                                  '.', 'F', 'I', 'T'};
        file.append(reinterpret_cast<const char*>(head), sizeof head);
        const uint16_t headCrc = fitCrc(head, sizeof head);
        file += static_cast<char>(headCrc & 0xFF);
        file += static_cast<char>(headCrc >> 8);
        file += data_;
        const uint16_t crc = fitCrc(reinterpret_cast<const uint8_t*>(file.data()), file.size());
        file += static_cast<char>(crc & 0xFF);
        file += static_cast<char>(crc >> 8);
        return file;
    }

    void reserve(size_t n) { data_.reserve(n); }
    // Bytes already in FIT order, appended at once (a record message is formed whole).
    void raw(const uint8_t* bytes, size_t n) { data_.append(reinterpret_cast<const char*>(bytes), n); }

private:
    std::string data_;
};

void putLittle(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
    at[2] = static_cast<uint8_t>(v >> 16);
    at[3] = static_cast<uint8_t>(v >> 24);
}

// Whether a time lies in the range FIT date-times hold: below 0x10000000 (mid-1998) readers take
// them as seconds since the unit was switched on, and 0xFFFFFFFF is no time.
bool inFitRange(int64_t unixSeconds) {
    return unixSeconds - kFitEpoch >= 0x10000000 && unixSeconds - kFitEpoch < kInvalidU32;
}

uint32_t fitTime(int64_t unixSeconds) {
    const int64_t t = unixSeconds - kFitEpoch;
    return t < 0 ? 0 : t >= kInvalidU32 ? kInvalidU32 - 1 : static_cast<uint32_t>(t);
}

// Latitudes beyond the poles (damaged input) are held at them, as the TCX writer does.
int32_t fitLatitude(int32_t semicircles) { return std::clamp(semicircles, -(1 << 30), 1 << 30); }

uint32_t fitDistance(double metres) {
    const double v = std::round(metres * 100);
    return v >= 0 && v < kInvalidU32 ? static_cast<uint32_t>(v) : kInvalidU32;
}

// Altitude with scale 5 and offset 500 m; beyond what 16 bits hold it is left out.
uint16_t fitAltitude(const PointStore& s, int32_t i) {
    if (s.altValid[i] != 1 || !std::isfinite(s.alt[i])) return kInvalidU16;
    const double v = std::round((s.alt[i] + 500) * 5);
    return v >= 0 && v < kInvalidU16 ? static_cast<uint16_t>(v) : kInvalidU16;
}

uint8_t textFieldSize(const std::string& s) { return static_cast<uint8_t>(std::min<size_t>(s.size() + 1, 64)); }


}  // namespace

std::string encodeFitCourse(const Context& ctx, const std::string& courseName, const std::vector<double>* legs,
                            int64_t created) {
    const PointStore& s = ctx.store;
    FitEncoder fit;
    if (s.count < 1) return {};
    const int32_t last = s.count - 1;
    const std::vector<double> along = distancesAlong(ctx, legs);
    fit.reserve(static_cast<size_t>(s.count) * 19 + 512);

    fit.define(kLocalFileId, kFileIdMsg, {{0, 1, kEnum}, {1, 2, kUint16}, {2, 2, kUint16}, {4, 4, kUint32}});
    fit.begin(kLocalFileId);
    fit.u8(kFileTypeCourse);
    fit.u16(kManufacturerDevelopment);
    fit.u16(0);
    fit.u32(fitTime(created));

    const uint8_t nameSize = textFieldSize(courseName);
    fit.define(kLocalCourse, kCourseMsg, {{4, 1, kEnum}, {5, nameSize, kString}});
    fit.begin(kLocalCourse);
    fit.u8(kSportCycling);
    fit.text(courseName, nameSize);

    const uint32_t start = fitTime(s.time[0]), end = fitTime(s.time[last]);
    fit.define(kLocalLap, kLapMsg,
               {{253, 4, kUint32}, {2, 4, kUint32}, {3, 4, kSint32}, {4, 4, kSint32}, {5, 4, kSint32},
                {6, 4, kSint32}, {7, 4, kUint32}, {8, 4, kUint32}, {9, 4, kUint32}});
    fit.begin(kLocalLap);
    fit.u32(end);
    fit.u32(start);
    fit.s32(fitLatitude(s.lat[0]));
    fit.s32(s.lon[0]);
    fit.s32(fitLatitude(s.lat[last]));
    fit.s32(s.lon[last]);
    // The course's time span in milliseconds, as the TCX lap's TotalTimeSeconds; a span longer
    // than the field holds (49.7 days) is held at its largest value.
    const double span = (static_cast<double>(s.time[last]) - static_cast<double>(s.time[0])) * 1000;
    const uint32_t spanMs = span < 0 ? 0 : span < kInvalidU32 ? static_cast<uint32_t>(span) : kInvalidU32 - 1;
    fit.u32(spanMs);
    fit.u32(spanMs);
    fit.u32(fitDistance(along[last]));

    fit.define(kLocalEvent, kEventMsg, {{253, 4, kUint32}, {0, 1, kEnum}, {1, 1, kEnum}, {4, 1, kUint8}});
    fit.begin(kLocalEvent);
    fit.u32(start);
    fit.u8(kEventTimer);
    fit.u8(kEventStart);
    fit.u8(0);

    fit.define(kLocalRecord, kRecordMsg,
               {{253, 4, kUint32}, {0, 4, kSint32}, {1, 4, kSint32}, {5, 4, kUint32}, {2, 2, kUint16}});
    for (int32_t i = 0; i <= last; ++i) {
        uint8_t m[19];
        m[0] = kLocalRecord;
        putLittle(m + 1, fitTime(s.time[i]));
        putLittle(m + 5, static_cast<uint32_t>(fitLatitude(s.lat[i])));
        putLittle(m + 9, static_cast<uint32_t>(s.lon[i]));
        putLittle(m + 13, fitDistance(along[i]));
        const uint16_t alt = fitAltitude(s, i);
        m[17] = static_cast<uint8_t>(alt);
        m[18] = static_cast<uint8_t>(alt >> 8);
        fit.raw(m, sizeof m);
    }

    if (ctx.settings.CoursePoints == 1) {
        const std::string left = coursePointName(ctx, false), right = coursePointName(ctx, true);
        const uint8_t size = textFieldSize(left.size() > right.size() ? left : right);
        bool defined = false;
        uint16_t index = 0;
        for (int32_t i = 0; i <= last; ++i) {
            if (!isTurnMark(s.partMark[i])) continue;
            if (!defined) {
                fit.define(kLocalCoursePoint, kCoursePointMsg,
                           {{254, 2, kUint16}, {1, 4, kUint32}, {2, 4, kSint32}, {3, 4, kSint32}, {4, 4, kUint32},
                            {5, 1, kEnum}, {6, size, kString}});
                defined = true;
            }
            const bool isRight = s.partMark[i] == kMarkRight;
            fit.begin(kLocalCoursePoint);
            fit.u16(index++);
            fit.u32(fitTime(s.time[i]));
            fit.s32(fitLatitude(s.lat[i]));
            fit.s32(s.lon[i]);
            fit.u32(fitDistance(along[i]));
            fit.u8(isRight ? kCoursePointRight : kCoursePointLeft);
            fit.text(isRight ? right : left, size);
        }
    }

    fit.begin(kLocalEvent);
    fit.u32(end);
    fit.u8(kEventTimer);
    fit.u8(kEventStopAll);
    fit.u8(0);
    return fit.finish();
}

namespace {

// A course whose times FIT cannot hold (before 1990) is told and timed from the average speed, as
// a track without times is.
void timesInFitRange(Context& ctx, const std::string& courseName, int64_t now, std::vector<double>& legs) {
    PointStore& s = ctx.store;
    bool inRange = true;
    for (int32_t i = 0; i < s.count && inRange; ++i) inRange = inFitRange(s.time[i]);
    if (inRange) return;
    say(ctx, cmsg::kFitTimesOutOfRange, courseName.c_str());
    s.time[0] = 0;
    assignCourseTimes(ctx, now, &legs);
}

// "x.fit" for the first course of a file run, "x-2.fit", "x-3.fit", ... for the next.
std::string numberedCoursePath(const std::string& path, int n) {
    if (n == 1) return path;
    // Split by the path library, not at a literal '/', so every system's separators hold.
    const std::filesystem::path p(path);
    return (p.parent_path() / (p.stem().string() + "-" + std::to_string(n) + p.extension().string())).string();
}

}  // namespace

int writeFitCourses(Context& ctx, const std::string& outputPath, UnitCourses* unit, int64_t now) {
    CourseWalk walk(ctx, now);
    std::vector<double> legs;
    // Each course goes to the unit as it is made.
    auto nextCourse = [&](std::string& file) {
        if (!walk.next()) return false;
        legs = walk.legs();
        timesInFitRange(ctx, walk.name(), now, legs);
        file = encodeFitCourse(ctx, walk.name(), &legs, now);
        if (unit != nullptr) deliverCourseFile(ctx, *unit, walk.name(), ".fit", file);
        return true;
    };
    std::string failed, reason;
    std::string file;
    if (outputPath.empty()) {
        while (nextCourse(file)) {
        }
    } else {
        // One course a file, as units read them: the output for the first, "-2", "-3", ... before
        // the extension for the next; each replaced only when whole. Without a course the output
        // is left as it was.
        std::vector<std::string> written;
        while (nextCourse(file)) {
            const std::string path = numberedCoursePath(outputPath, static_cast<int>(written.size()) + 1);
            if (!writeFileAtomicallyWith(path, [&file](int fd) { return writeAllBytes(fd, file); }, &reason)) {
                failed = path;
                break;
            }
            written.push_back(path);
        }
        if (written.size() > 1) {
            std::string names;
            for (const std::string& path : written) names += "\n" + path;
            const KeyedMessage& m = cmsg::kFitCourseFiles;
            const std::string text = formatMessage(ctx, m.key, m.english, 256, static_cast<int>(written.size())) + names;
            if (ctx.notifier != nullptr) ctx.notifier->notify(m.key, text, m.style);
        }
    }
    return finishCourseRun(ctx, walk.coursePoints(), failed, failed.empty() && (unit == nullptr || !unit->failed),
                           reason);
}

int writeFitCourses(Context& ctx, const std::string& outputPath, UnitCourses* unit) {
    return writeFitCourses(ctx, outputPath, unit, static_cast<int64_t>(std::time(nullptr)));
}

}  // namespace trakor
