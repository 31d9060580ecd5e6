#include "shell/ProgramState.h"

#include <algorithm>

#include "shell/RuntimeError.h"

namespace nalo {

WindowOriginTable WindowOrigin;
int32_t ApiResult = 0;
int16_t OverwriteMode = 0;
std::string PictureFolder;
std::string AviFolder;
int16_t SizeMode = 0;
bool CancelRequested = false;

namespace {
void checkSlot(int slot) {
    if (slot < 0 || slot >= WindowOriginTable::Slots)
        throw RuntimeError(err::SubscriptOutOfRange, "Nalo", "Subscript out of range");
}
int16_t clamp16(int v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); }
}  // namespace

WindowPoint& WindowOriginTable::operator[](int slot) {
    checkSlot(slot);
    return points_[slot];
}

const WindowPoint& WindowOriginTable::operator[](int slot) const {
    checkSlot(slot);
    return points_[slot];
}

void WindowOriginTable::reset() {
    for (auto& p : points_) p = {};
}

void RecordSlot(int slot, int32_t queryResult, int x, int y) {
    ApiResult = queryResult;
    WindowOrigin[slot] = queryResult != 0 ? WindowPoint{clamp16(x), clamp16(y)} : WindowPoint{};
}

}  // namespace nalo
