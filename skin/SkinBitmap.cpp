#include "skin/SkinBitmap.h"

#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <vector>

#include "res/Resources.h"

namespace skin {
namespace {

struct BitmapCache {
    std::mutex lock;
    BitmapResourceFinder finder;
    std::map<int, std::unique_ptr<platform::Bitmap>> loaded;
    // Bitmaps of an earlier finder: controls may still hold them.
    std::vector<std::unique_ptr<platform::Bitmap>> retired;
};

BitmapCache& Cache() {
    static BitmapCache* cache = new BitmapCache;
    return *cache;
}

// Call with the cache lock held.
std::unique_ptr<platform::Bitmap> Decode(BitmapCache& cache, int id) {
    const unsigned char* data = nullptr;
    size_t size = 0;
    bool found =
        cache.finder ? cache.finder(id, &data, &size) : FindBitmapResource(id, &data, &size);
    if (!found || data == nullptr) {
        return nullptr;
    }
    return platform::DecodeBmp(data, size);
}

} // namespace

void SetBitmapResourceFinderForTesting(BitmapResourceFinder finder) {
    BitmapCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.lock);
    cache.finder = std::move(finder);
    for (auto& [id, bitmap] : cache.loaded) {
        cache.retired.push_back(std::move(bitmap));
    }
    cache.loaded.clear();
}

BitmapHandle LoadSkinBitmap(int id) {
    BitmapCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.lock);
    auto it = cache.loaded.find(id);
    if (it != cache.loaded.end()) {
        return it->second.get();
    }
    std::unique_ptr<platform::Bitmap> bitmap = Decode(cache, id);
    if (bitmap == nullptr) {
        return nullptr;
    }
    return cache.loaded.emplace(id, std::move(bitmap)).first->second.get();
}

std::unique_ptr<platform::Bitmap> LoadBitmapResource(int id) {
    BitmapCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.lock);
    return Decode(cache, id);
}

bool SetSkinWindowIcon(platform::WindowHandle window, int iconId) {
    const unsigned char* data = nullptr;
    size_t size = 0;
    if (!FindIconResource(iconId, &data, &size) || data == nullptr) {
        return false;
    }
    return platform::SetWindowIconFromPng(window, data, size);
}

BMData::~BMData() = default;

bool BMData::Load(int id) {
    m_bitmap.reset();
    std::unique_ptr<platform::Bitmap> bitmap = LoadBitmapResource(id);
    if (bitmap == nullptr) {
        return false;
    }
    m_bitmap = std::move(bitmap);
    int32_t width = m_bitmap->Width();
    int32_t height = m_bitmap->Height();
    size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    m_pixels.reset();
    m_pixels.reset(new (std::nothrow) uint32_t[count]);
    if (m_pixels == nullptr) {
        return false;
    }
    m_width = width;
    m_height = height;
    std::memset(m_pixels.get(), 0, count * sizeof(uint32_t));
    m_bitmap->GetBits(m_pixels.get(), count * sizeof(uint32_t));
    return m_bitmap != nullptr && m_pixels != nullptr;
}

void CommonRect::Deflate(int32_t n) {
    // An edge that lies on the window's edge (or beyond it) stays at 0, as does one that would
    // move out of the window.
    int32_t oldLeft = left;
    left += n;
    if (left < 0 || oldLeft <= 0) {
        left = 0;
    }
    int32_t oldTop = top;
    top += n;
    if (top < 0 || oldTop <= 0) {
        top = 0;
    }
    right -= n;
    bottom -= n;
    Recalc();
}

} // namespace skin
