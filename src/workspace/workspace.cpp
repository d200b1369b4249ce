#include "workspace/workspace.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace orva {

uint64_t SystemAvailableMemory() {
    uint64_t available = 0, swap_free = 0;
    bool found = false;
    if (FILE* f = std::fopen("/proc/meminfo", "r")) {
        char key[64];
        unsigned long long kib = 0;
        while (std::fscanf(f, "%63s %llu kB\n", key, &kib) == 2) {
            if (std::strcmp(key, "MemAvailable:") == 0) {
                available = kib * 1024;
                found = true;
            } else if (std::strcmp(key, "SwapFree:") == 0) {
                swap_free = kib * 1024;
            }
        }
        std::fclose(f);
    }
    uint64_t total = found ? available + swap_free : UINT64_MAX;
    // An address-space limit (ulimit -v) caps what can be had no matter how much is free.
    rlimit lim{};
    if (getrlimit(RLIMIT_AS, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY) {
        total = std::min<uint64_t>(total, lim.rlim_cur);
    }
    return total;
}

bool CheckImageMemory(const Workspace& ws, int width, int height, int slot, int count) {
    uint64_t pixels = 0;
    if (slot >= 0) {
        if (slot < kSlotCount) {
            const auto& r = ws.at(slot);
            pixels = static_cast<uint64_t>(std::max(r.width, 0)) *
                     static_cast<uint64_t>(std::max(r.height, 0));
        }
    } else if (width >= 1 && height >= 1) {
        pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    } else {
        pixels = 2097152;
        for (const auto& r : ws.slots) {
            if (r.occupied()) pixels = std::max<uint64_t>(pixels, r.pixels());
        }
    }
    if (count < 1 || count > 8) count = 8;
    if (pixels < 1) return true;
    const uint64_t need = pixels * 6u * static_cast<uint64_t>(count);
    return need <= ws.available_memory();
}

int FindFreeSlot(const Workspace& ws) {
    if (!CheckImageMemory(ws, 0, 0, -1, 1)) return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        const auto& r = ws.at(i);
        if (r.width == 0 || r.height == 0) return i;
    }
    return -1;
}

void ClearRecord(ImageRecord& r) {
    r.name.clear();
    r.red.Release();
    r.green.Release();
    r.blue.Release();
    r.undo_red.Release();
    r.undo_green.Release();
    r.undo_blue.Release();
    r.exif.clear();
    r.exif.shrink_to_fit();
    r.fits_cards.clear();
    r.width = r.height = r.undo_width = r.undo_height = 0;
    r.zoom = 100;
    r.scroll_x = r.scroll_y = 0;
    r.point_a_x = r.point_a_y = r.point_b_x = r.point_b_y = -1;
    r.refresh = r.changed = r.single_plane = r.undo_single_plane = 0;
    r.undo_available = r.redo_available = 0;
    r.histogram_peak = 1;
    r.camera_make.clear();
    r.camera_model.clear();
    r.date_time.clear();
    r.exposure_time = r.f_number = r.iso = 0;
}

void ClearSlot(Workspace& ws, int slot) {
    if (Workspace::Valid(slot)) ClearRecord(ws.at(slot));
}

void MarkLoaded(Workspace& ws, int slot) {
    if (!Workspace::Valid(slot)) return;
    auto& r = ws.at(slot);
    r.refresh = 1;
    r.changed = r.saved_changed = r.single_plane = r.undo_single_plane = 0;
    r.undo_available = r.redo_available = 0;
    ws.current = slot;
}

void StoreDecoded(ImageRecord& rec, DecodedImage&& img, const std::string& name) {
    rec.name = name;
    rec.red = std::move(img.red);
    rec.green = std::move(img.green);
    rec.blue = std::move(img.blue);
    rec.undo_red.Release();
    rec.undo_green.Release();
    rec.undo_blue.Release();
    rec.undo_width = rec.undo_height = 0;
    rec.width = img.width;
    rec.height = img.height;
    rec.exif = std::move(img.exif);
    rec.fits_cards = std::move(img.fits_cards);
    SetCameraText(rec.camera_make, img.camera_make);
    SetCameraText(rec.camera_model, img.camera_model);
    SetCameraText(rec.date_time, img.date_time);
    rec.exposure_time = img.exposure_time;
    rec.f_number = img.f_number;
    rec.iso = img.iso;
    img.width = img.height = 0;
}

namespace {

// Three planes of w x h, all or nothing.
bool AllocateThree(Plane& r, Plane& g, Plane& b, int w, int h) {
    const std::size_t n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    if (r.Allocate(n) && g.Allocate(n) && b.Allocate(n)) return true;
    r.Release();
    g.Release();
    b.Release();
    return false;
}

// Copies a w x h window at (x0, y0) of src into fresh planes and installs them in dst.
bool CopyWindow(const ImageRecord& src, ImageRecord& dst, int x0, int y0, int w, int h) {
    if (w < 1 || h < 1 || !src.occupied()) return false;
    Plane r, g, b;
    if (!AllocateThree(r, g, b, w, h)) return false;
    Plane* out[3] = {&r, &g, &b};
    for (int c = 0; c < 3; ++c) {
        const uint16_t* in = src.plane(c).data();
        uint16_t* o = out[c]->data();
        for (int y = 0; y < h; ++y) {
            std::memcpy(o + static_cast<std::size_t>(y) * w,
                        in + static_cast<std::size_t>(y0 + y) * src.width + x0,
                        static_cast<std::size_t>(w) * sizeof(uint16_t));
        }
    }
    dst.red = std::move(r);
    dst.green = std::move(g);
    dst.blue = std::move(b);
    dst.width = w;
    dst.height = h;
    dst.single_plane = src.single_plane;
    return true;
}

}  // namespace

bool CopyImageRecord(ImageRecord& dst, const ImageRecord& src) {
    if (&dst == &src) return true;
    return CopyWindow(src, dst, 0, 0, src.width, src.height);
}

bool CopyArea(const ImageRecord& src, ImageRecord& dst, int x1, int y1, int x2, int y2) {
    int x0 = std::min(x1, x2), w = std::abs(x2 - x1);
    int y0 = std::min(y1, y2), h = std::abs(y2 - y1);
    if (x0 < 0) {
        w += x0;
        x0 = 0;
    }
    if (y0 < 0) {
        h += y0;
        y0 = 0;
    }
    // Corners past the far edge are clipped as well, so nothing is read outside the source.
    w = std::min(w, src.width - x0);
    h = std::min(h, src.height - y0);
    return CopyWindow(src, dst, x0, y0, w, h);
}

bool CutCanvas(const ImageRecord& src, ImageRecord& dst, int new_width, int new_height,
               int anchor) {
    if (!src.occupied() || new_width < 1 || new_height < 1) return false;
    anchor = std::clamp(anchor, 0, 8);
    const int w = std::min(new_width, src.width);
    const int h = std::min(new_height, src.height);
    int x0 = 0, y0 = 0;
    if (src.width >= new_width) {
        const int col = anchor % 3;
        x0 = col == 0 ? 0 : col == 1 ? (src.width - new_width) / 2 : src.width - new_width;
    }
    if (src.height >= new_height) {
        const int row = anchor / 3;  // 0 top, 1 middle, 2 bottom; memory rows start at the bottom
        y0 = row == 2 ? 0 : row == 1 ? (src.height - new_height) / 2 : src.height - new_height;
    }
    return CopyWindow(src, dst, x0, y0, w, h);
}

void SpreadSinglePlane(ImageRecord& rec) {
    if (rec.single_plane != 1 || rec.height < 1 || rec.red.empty()) return;
    const std::size_t n = rec.pixels();
    if (rec.green.size() < n || rec.blue.size() < n) return;
    std::memcpy(rec.green.data(), rec.red.data(), n * sizeof(uint16_t));
    std::memcpy(rec.blue.data(), rec.red.data(), n * sizeof(uint16_t));
}

bool WindowToImage(const ImageRecord& rec, int wx, int wy, int& column, int& row) {
    if (rec.width == 0 || rec.height == 0) return false;
    const int zoom = rec.zoom > 0 ? rec.zoom : 100;
    const int x = static_cast<int>(static_cast<long long>(wx) * 100 / zoom) + rec.scroll_x;
    const int y =
        rec.height - static_cast<int>(static_cast<long long>(wy) * 100 / zoom) - rec.scroll_y - 1;
    column = std::clamp(x, 0, rec.width - 1);
    row = std::clamp(y, 0, rec.height - 1);
    return wx >= 0 && wy >= 0 && x >= 0 && x < rec.width && y >= 0 && y < rec.height;
}

int NextOccupiedSlot(const Workspace& ws, SlotDirection dir) {
    const int cur = ws.current;
    if (dir == SlotDirection::Up) {
        for (int i = cur + 1; i < kSlotCount; ++i)
            if (i >= 0 && ws.at(i).width >= 1) return i;
        for (int i = 0; i <= cur && i < kSlotCount; ++i)
            if (ws.at(i).width >= 1) return i;
    } else {
        for (int i = std::min(cur, kSlotCount) - 1; i >= 0; --i)
            if (ws.at(i).width >= 1) return i;
        for (int i = kSlotCount - 1; i >= std::max(cur, 0); --i)
            if (ws.at(i).width >= 1) return i;
    }
    return cur;
}

int HighestOccupiedSlot(const Workspace& ws) {
    for (int i = kSlotCount - 1; i >= 0; --i)
        if (ws.at(i).occupied()) return i;
    return 0;
}

}  // namespace orva
