// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/point_store.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

#include "core/run_state.h"

namespace trakor {

PointStore::PointStore()
    : lat_(new int32_t[kMaxPoints]()),
      lon_(new int32_t[kMaxPoints]()),
      time_(new int32_t[kMaxPoints]()),
      via_(new int32_t[kMaxPoints]()),
      alt_(new double[kMaxPoints]()),
      altValid_(new uint8_t[kMaxPoints]()),
      partMark_(new uint8_t[kMaxPoints]()) {
    lat = lat_.get();
    lon = lon_.get();
    time = time_.get();
    via = via_.get();
    alt = alt_.get();
    altValid = altValid_.get();
    partMark = partMark_.get();
}

void PointStore::addPoint(RunState& run, int32_t latv, int32_t lonv, double altv, uint8_t altValidv,
                          int32_t viav, int32_t timev) {
    if (count >= capacity_ && !(growable && grow())) {
        run.setInfo(1, kPointLimitText);
        run.cutAtCapacity = true;
        return;
    }
    int32_t i = count;
    if (count > 0 && lat[count - 1] == latv && lon[count - 1] == lonv) {
        // A via point may take the place of an ordinary point at the same position.
        if (viav == 0 || via[count - 1] != 0) return;
        i = count - 1;
    }
    lat[i] = latv;
    lon[i] = lonv;
    alt[i] = altv;
    altValid[i] = altValidv;
    via[i] = viav;
    time[i] = timev;
    partMark[i] = i == 0 ? 0 : 1;
    if (i == count) ++count;
}

bool PointStore::grow() {
    if (capacity_ > INT32_MAX / 2) return false;
    const int32_t capacity = capacity_ * 2;
    const auto larger = [this, capacity]<typename T>(std::unique_ptr<T[]>& array, T*& view) {
        std::unique_ptr<T[]> bigger(new (std::nothrow) T[static_cast<size_t>(capacity)]());
        if (!bigger) return false;
        std::memcpy(bigger.get(), array.get(), static_cast<size_t>(count) * sizeof(T));
        array = std::move(bigger);
        view = array.get();
        return true;
    };
    if (!(larger(lat_, lat) && larger(lon_, lon) && larger(time_, time) && larger(via_, via) && larger(alt_, alt) &&
          larger(altValid_, altValid) && larger(partMark_, partMark)))
        return false;
    capacity_ = capacity;
    return true;
}

void PointStore::removePoints(int32_t first, int32_t n) {
    if (first < 0 || n <= 0 || first >= count) return;
    if (n > count - first) n = count - first;
    const size_t tail = static_cast<size_t>(count - first - n);
    std::memmove(lat + first, lat + first + n, tail * sizeof(int32_t));
    std::memmove(lon + first, lon + first + n, tail * sizeof(int32_t));
    std::memmove(alt + first, alt + first + n, tail * sizeof(double));
    std::memmove(altValid + first, altValid + first + n, tail);
    std::memmove(time + first, time + first + n, tail * sizeof(int32_t));
    std::memmove(via + first, via + first + n, tail * sizeof(int32_t));
    std::memmove(partMark + first, partMark + first + n, tail);
    count -= n;
}

void PointStore::partRange(int n, int32_t& first, int32_t& end) const {
    first = 0;
    end = count;
    int seen = 0;
    bool found = false;
    for (int32_t j = 0; j < count; ++j) {
        if (partMark[j] != 0) continue;
        ++seen;
        if (seen == n) {
            first = j;
            found = true;
        } else if (seen == n + 1) {
            end = j + 1;
            return;
        }
    }
    if (!found) first = 0;
}

}  // namespace trakor
