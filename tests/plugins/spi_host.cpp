#include "tests/plugins/spi_host.h"

#include <map>

#include <gtest/gtest.h>

#include "common/little_endian.h"

namespace {

template <typename T>
T bind(HMODULE module, const char *name) {
    return reinterpret_cast<T>(reinterpret_cast<void (*)(void)>(GetProcAddress(module, name)));
}

}  // namespace

const SPI_T &spiNamed(const std::string &name) {
    static std::map<std::string, SPI_T> loaded;
    auto found = loaded.find(name);
    if (found != loaded.end()) {
        return found->second;
    }
    std::string path = std::string(PLUGIN_BUILD_DIR) + "/" + name + ".spi";
    SPI_T spi = {};
    spi.module = LoadLibraryA(path.c_str());
    EXPECT_NE(spi.module, nullptr) << path << ": error " << GetLastError();
    if (spi.module != nullptr) {
        spi.getPluginInfo = bind<GET_PLUGIN_INFO_T>(spi.module, "GetPluginInfo");
        spi.isSupported = bind<IS_SUPPORTED_T>(spi.module, "IsSupported");
        spi.getPictureInfo = bind<GET_PICTURE_INFO_T>(spi.module, "GetPictureInfo");
        spi.getPicture = bind<GET_PICTURE_T>(spi.module, "GetPicture");
        spi.getPreview = bind<GET_PREVIEW_T>(spi.module, "GetPreview");
        spi.configurationDlg = bind<CONFIGURATION_DLG_T>(spi.module, "ConfigurationDlg");
    }
    return loaded.emplace(name, spi).first->second;
}

DECODED_T takeBlocks(int code, HANDLE info, HANDLE pixels) {
    DECODED_T decoded;
    decoded.code = code;
    if (code != PLUGIN_OK) {
        EXPECT_EQ(info, nullptr);
        EXPECT_EQ(pixels, nullptr);
        LocalFree(info);
        LocalFree(pixels);
        return decoded;
    }
    EXPECT_NE(info, nullptr);
    EXPECT_NE(pixels, nullptr);
    if (info == nullptr || pixels == nullptr) {
        decoded.code = -101;
        return decoded;
    }
    // The plug-in's calls are bound to the host's one owner of local memory.
    if (!localBlockIsLive(info) || !localBlockIsLive(pixels)) {
        ADD_FAILURE() << "blocks the process's owner of local memory did not make";
        decoded.code = -102;
        return decoded;
    }
    const uint8_t *header = static_cast<const uint8_t *>(LocalLock(info));
    const uint8_t *bits = static_cast<const uint8_t *>(LocalLock(pixels));
    decoded.width = static_cast<int32_t>(loadLe32(header + 4));
    decoded.height = static_cast<int32_t>(loadLe32(header + 8));
    decoded.bits = header[14];
    uint32_t colours = loadLe32(header + 32);
    bool sound = loadLe32(header) == 40u && loadLe32(header + 16) == 0u &&
                 (decoded.bits == 8 || decoded.bits == 24) && decoded.width > 0 &&
                 decoded.height > 0;
    EXPECT_TRUE(sound) << "not a bottom-up BI_RGB 8- or 24-bit BITMAPINFOHEADER";
    if (decoded.bits != 8) {
        colours = 0;
    }
    size_t stride = ((static_cast<size_t>(decoded.width) * decoded.bits / 8) + 3) & ~size_t{3};
    bool exact = colours <= 256u && LocalSize(info) == 40u + 4u * colours &&
                 LocalSize(pixels) == stride * static_cast<size_t>(decoded.height);
    EXPECT_TRUE(exact) << "blocks not exactly as large as their contents: " << LocalSize(info)
                       << " for " << colours << " colours, " << LocalSize(pixels);
    if (sound && exact) {
        decoded.pixelBlock.assign(bits, bits + LocalSize(pixels));
        decoded.rgb.resize(3u * static_cast<size_t>(decoded.width) * decoded.height);
        for (int32_t y = 0; y < decoded.height; y++) {
            const uint8_t *row = bits + static_cast<size_t>(decoded.height - 1 - y) * stride;
            for (int32_t x = 0; x < decoded.width; x++) {
                uint8_t *to = &decoded.rgb[3u * (static_cast<size_t>(y) * decoded.width + x)];
                const uint8_t *from = row + 3 * x;
                if (decoded.bits == 8) {
                    EXPECT_LT(row[x], colours) << "index without a colour";
                    from = header + 40 + 4 * (row[x] < colours ? row[x] : 0);
                }
                to[0] = from[2];
                to[1] = from[1];
                to[2] = from[0];
            }
        }
    }
    LocalUnlock(info);
    LocalUnlock(pixels);
    LocalFree(info);
    LocalFree(pixels);
    return decoded;
}

DECODED_T decodeMemory(const SPI_T &spi, const std::vector<uint8_t> &bytes, FARPROC progress,
                       PLUGIN_LONG_T data) {
    HANDLE info = nullptr;
    HANDLE pixels = nullptr;
    std::vector<uint8_t> copy(bytes);  // exactly as long as the picture, for ASan
    int code = spi.getPicture(reinterpret_cast<LPSTR>(copy.data()), static_cast<long>(copy.size()),
                              PLUGIN_INPUT_MEMORY, &info, &pixels, progress, data);
    return takeBlocks(code, info, pixels);
}

DECODED_T decodeFile(const SPI_T &spi, const std::string &path, long offset) {
    HANDLE info = nullptr;
    HANDLE pixels = nullptr;
    std::string name(path);
    int code = spi.getPicture(&name[0], offset, PLUGIN_INPUT_FILE, &info, &pixels, nullptr, 0);
    return takeBlocks(code, info, pixels);
}
