// The test program carries the same resource script as the programs, so what the windows
// load (icons, about picture, version, manifest) is checked here as Windows sees it.
#include <gtest/gtest.h>
#include <windows.h>


#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/ResourceIds.h"

// The image lists address their pictures by index; a renumbering must keep the index order.
static_assert(IDI_MAIN_INFORMATION == IDI_MAIN_FIRST + 0);
static_assert(IDI_MAIN_DRIVE_CONNECTED == IDI_MAIN_FIRST + 3);
static_assert(IDI_MAIN_DRIVE_UNKNOWN == IDI_MAIN_FIRST + 5);
static_assert(IDI_MAIN_DRIVE_DISCONNECTED == IDI_MAIN_FIRST + 6);
static_assert(IDI_MAIN_DRIVE_ERROR == IDI_MAIN_FIRST + 12);
static_assert(IDI_MAIN_PROGRAM == IDI_MAIN_FIRST + 20);
static_assert(IDI_MAIN_VOLUME == IDI_MAIN_FIRST + 21);
static_assert(IDI_MAIN_REMOVE_ALL == IDI_MAIN_FIRST + IDI_MAIN_COUNT - 1);
static_assert(IDI_LANGUAGE_ENGLISH == IDI_LANGUAGE_FIRST + 0);
static_assert(IDI_LANGUAGE_DUTCH == IDI_LANGUAGE_FIRST + 2);
static_assert(IDI_LANGUAGE_GERMAN == IDI_LANGUAGE_FIRST + 3);
static_assert(IDI_LANGUAGE_FRENCH == IDI_LANGUAGE_FIRST + 4);
static_assert(IDI_LANGUAGE_ITALIAN == IDI_LANGUAGE_FIRST + 5);
static_assert(IDI_LANGUAGE_SPANISH == IDI_LANGUAGE_FIRST + 6);
static_assert(IDI_LANGUAGE_SWEDISH == IDI_LANGUAGE_FIRST + 7);
static_assert(IDI_LANGUAGE_DANISH == IDI_LANGUAGE_FIRST + IDI_LANGUAGE_COUNT - 1);

namespace {

HMODULE Self() { return GetModuleHandleW(nullptr); }

// Every icon the header names, read from the header itself so that a new icon is tested
// without editing this file. Range markers (_FIRST, _COUNT) are not icons.
std::map<std::string, int> IconsOfHeader() {
  std::ifstream header(QUILLBAY_SOURCE_DIR "/resources/ResourceIds.h");
  std::map<std::string, int> icons;
  const std::regex define(R"(^#define\s+(IDI_\w+)\s+(\d+))");
  for (std::string line; std::getline(header, line);) {
    std::smatch match;
    if (!std::regex_search(line, match, define)) continue;
    const std::string name = match[1];
    if (name.ends_with("_FIRST") || name.ends_with("_COUNT")) continue;
    icons[name] = std::stoi(match[2]);
  }
  return icons;
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colors, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved, type, count;
  GroupIconEntry entries[1];
};
#pragma pack(pop)

// The sizes and colour depths an icon resource holds (a width of 0 stands for 256).
std::vector<std::pair<int, int>> SizesAndDepths(int id) {
  HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
  if (found == nullptr) return {};
  const auto* group = static_cast<const GroupIconHeader*>(LockResource(LoadResource(Self(), found)));
  std::vector<std::pair<int, int>> result;
  for (WORD i = 0; i < group->count; ++i)
    result.emplace_back(group->entries[i].width == 0 ? 256 : group->entries[i].width, group->entries[i].bitCount);
  return result;
}

struct Pixels {
  int width = 0, height = 0, bitsPerPixel = 0;
  std::vector<uint32_t> argb;
  bool HasAlpha() const {  // some pixels see-through, some not: the alpha channel is real
    bool opaque = false, clear = false;
    for (uint32_t pixel : argb) (pixel >> 24 == 0 ? clear : opaque) = true;
    return opaque && clear;
  }
};

Pixels ReadBitmap(HBITMAP bitmap) {
  Pixels pixels;
  BITMAP info{};
  if (GetObjectW(bitmap, sizeof info, &info) == 0) return pixels;
  pixels.width = info.bmWidth;
  pixels.height = info.bmHeight;
  pixels.bitsPerPixel = info.bmBitsPixel;
  BITMAPINFO request{};
  request.bmiHeader.biSize = sizeof request.bmiHeader;
  request.bmiHeader.biWidth = info.bmWidth;
  request.bmiHeader.biHeight = -info.bmHeight;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  request.bmiHeader.biCompression = BI_RGB;
  pixels.argb.resize(static_cast<size_t>(info.bmWidth) * info.bmHeight);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.argb.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

Pixels ReadIcon(int id, int size) {
  HICON icon = static_cast<HICON>(LoadImageW(Self(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (icon == nullptr) return {};
  ICONINFO info{};
  Pixels pixels;
  if (GetIconInfo(icon, &info)) {
    if (info.hbmColor != nullptr) pixels = ReadBitmap(info.hbmColor);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  DestroyIcon(icon);
  return pixels;
}

std::string VersionString(const std::vector<char>& block, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0) return {};
  return std::string(value);
}

}  // namespace

TEST(ProgramResources, EveryIconLoadsAsThirtyTwoBitWithAlphaAtSixteenAndThirtyTwo) {
  const std::map<std::string, int> icons = IconsOfHeader();
  ASSERT_GE(icons.size(), static_cast<size_t>(IDI_MAIN_COUNT + IDI_LANGUAGE_COUNT)) << "header not read";

  for (const auto& [name, id] : icons) {
    SCOPED_TRACE(name);
    const auto entries = SizesAndDepths(id);
    ASSERT_FALSE(entries.empty()) << "no icon resource " << id;
    bool has16 = false, has32 = false;
    for (const auto& [size, depth] : entries) {
      EXPECT_EQ(depth, 32) << "entry of " << size << " pixels";
      has16 = has16 || size == 16;
      has32 = has32 || size == 32;
    }
    // The about picture is drawn for one place only; every other icon may end up in a list or menu.
    if (id != IDI_ABOUT) {
      EXPECT_TRUE(has16) << "lists and menus need a drawn 16 x 16 picture, not a scaled one";
    }

    for (int size : {16, 32}) {
      if (size == 32 && !has32) continue;
      const Pixels pixels = ReadIcon(id, size);
      EXPECT_EQ(pixels.width, size);
      EXPECT_EQ(pixels.height, size);
      EXPECT_EQ(pixels.bitsPerPixel, 32) << "at " << size;
      EXPECT_TRUE(pixels.HasAlpha()) << "at " << size;
    }
  }
}

TEST(ProgramResources, ImageListsFindEveryIndexAndNoIconIsMissingFromTheHeader) {
  for (int index = 0; index < IDI_MAIN_COUNT; ++index)
    EXPECT_FALSE(SizesAndDepths(IDI_MAIN_FIRST + index).empty()) << "main image " << index;
  for (int index = 0; index < IDI_LANGUAGE_COUNT; ++index)
    EXPECT_FALSE(SizesAndDepths(IDI_LANGUAGE_FIRST + index).empty()) << "language picture " << index;

  // A misspelt name in the resource script becomes a named resource instead of a number.
  std::set<int> known;
  for (const auto& entry : IconsOfHeader()) known.insert(entry.second);
  std::vector<std::string> strays;
  std::pair<std::set<int>*, std::vector<std::string>*> state(&known, &strays);
  EnumResourceNamesW(
      Self(), MAKEINTRESOURCEW(14),
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) -> BOOL {
        auto* state = reinterpret_cast<std::pair<std::set<int>*, std::vector<std::string>*>*>(context);
        if (!IS_INTRESOURCE(name))
          state->second->push_back("a named icon");
        else if (state->first->count(static_cast<int>(reinterpret_cast<ULONG_PTR>(name))) == 0)
          state->second->push_back(std::to_string(reinterpret_cast<ULONG_PTR>(name)));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&state));
  EXPECT_TRUE(strays.empty()) << "icons not in ResourceIds.h: " << ::testing::PrintToString(strays);
}

TEST(ProgramResources, ProgramIconHoldsTheLargeSizesAndAboutPictureIsFiftyTwoPixelsWithAlpha) {
  std::set<int> sizes;
  for (const auto& [size, depth] : SizesAndDepths(IDI_PROGRAM)) sizes.insert(size);
  for (int size : {16, 24, 32, 48, 256}) EXPECT_TRUE(sizes.count(size)) << size;

  EXPECT_EQ(ReadIcon(IDI_ABOUT, 52).width, 52);
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(Self(), MAKEINTRESOURCEW(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  const Pixels pixels = ReadBitmap(bitmap);
  DeleteObject(bitmap);
  EXPECT_EQ(pixels.width, 52);
  EXPECT_EQ(pixels.height, 52);
  EXPECT_EQ(pixels.bitsPerPixel, 32);
  EXPECT_TRUE(pixels.HasAlpha());
  // Premultiplied, as AlphaBlend wants: no colour brighter than its own opacity.
  for (uint32_t pixel : pixels.argb) {
    const uint32_t alpha = pixel >> 24;
    ASSERT_LE((pixel >> 16) & 0xFF, alpha);
    ASSERT_LE((pixel >> 8) & 0xFF, alpha);
    ASSERT_LE(pixel & 0xFF, alpha);
  }
}

TEST(ProgramResources, VersionSaysTwoEightZeroForQuillbay) {
  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  const DWORD size = GetFileVersionInfoSizeW(path, nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(8, 2)));
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(8, 2)));
  EXPECT_EQ(VersionString(block, "ProductVersion"), "2.8.0");
  EXPECT_EQ(VersionString(block, "FileVersion"), "2.8.0");
  EXPECT_EQ(VersionString(block, "ProductName"), "Quillbay");
}

TEST(ProgramResources, ManifestBringsCommonControlsSixAndDpiAwareness) {
  // The manifest takes effect at process start: asked for by name, the common controls come
  // from the side-by-side store in version 6, not from the system folder's version 5.
  HMODULE controls = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(controls, nullptr);
  char path[MAX_PATH] = {};
  GetModuleFileNameA(controls, path, MAX_PATH);
  FreeLibrary(controls);
  std::string lower(path);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << path;

  EXPECT_TRUE(IsProcessDPIAware());

  HRSRC found = FindResourceW(Self(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24) /* RT_MANIFEST */);
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(Self(), found))),
                             SizeofResource(Self(), found));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm<"), std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor<"), std::string::npos);
}
