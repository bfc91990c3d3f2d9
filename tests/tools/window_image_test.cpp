#include "tests/support/scratch.h"
#include "tests/tools/window_image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using setupkit::e2e::ReadFile;
using setupkit::e2e::ScratchFolder;

constexpr int kWidth = 61; // not a multiple of four: rows are padded
constexpr int kHeight = 23;
constexpr COLORREF kFill = RGB(200, 30, 90);

// A borderless window painted in one colour.
class ColouredWindow {
  public:
    ColouredWindow() : brush_(::CreateSolidBrush(kFill)) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.hbrBackground = brush_;
        windowClass.lpszClassName = "WindowImageTest";
        ::RegisterClassA(&windowClass);
        hwnd_ =
            ::CreateWindowExA(WS_EX_TOPMOST, "WindowImageTest", "", WS_POPUP | WS_VISIBLE, 40, 50,
                              kWidth, kHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
        ::UpdateWindow(hwnd_);
        for (int i = 0; i < 20; ++i) {
            MSG message;
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&message);
            ::Sleep(20);
        }
    }
    ~ColouredWindow() {
        ::DestroyWindow(hwnd_);
        ::DeleteObject(brush_);
    }
    HWND Handle() const { return hwnd_; }

  private:
    HBRUSH brush_;
    HWND hwnd_ = nullptr;
};

template <typename T> T At(const std::string& bytes, size_t offset) {
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(WindowImage, SavesWhatTheScreenShowsAsABottomUpBmpWithPaddedRows) {
    ScratchFolder scratch;
    ColouredWindow window;
    const std::string path = scratch.File("window.bmp");
    ASSERT_TRUE(setupkit::tools::SaveWindowImage(window.Handle(), path));

    const std::string bmp = ReadFile(path);
    const size_t rowBytes = 61 * 3 + 1;
    ASSERT_EQ(bmp.size(), 14 + 40 + rowBytes * kHeight);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(At<DWORD>(bmp, 2), bmp.size());
    EXPECT_EQ(At<DWORD>(bmp, 10), 54u);
    EXPECT_EQ(At<LONG>(bmp, 18), kWidth);
    EXPECT_EQ(At<LONG>(bmp, 22), kHeight);
    EXPECT_EQ(At<WORD>(bmp, 28), 24);
    // Pixels are stored blue, green, red; check the corners and the middle.
    for (const size_t row : {size_t{0}, size_t{kHeight / 2}, size_t{kHeight - 1}}) {
        for (const size_t column : {size_t{0}, size_t{kWidth / 2}, size_t{kWidth - 1}}) {
            const size_t at = 54 + row * rowBytes + column * 3;
            EXPECT_EQ(static_cast<unsigned char>(bmp[at]), GetBValue(kFill))
                << row << "," << column;
            EXPECT_EQ(static_cast<unsigned char>(bmp[at + 1]), GetGValue(kFill));
            EXPECT_EQ(static_cast<unsigned char>(bmp[at + 2]), GetRValue(kFill));
        }
    }
}

TEST(WindowImage, AWindowThatIsGoneGivesNoFile) {
    ScratchFolder scratch;
    HWND gone = nullptr;
    {
        ColouredWindow window;
        gone = window.Handle();
    }
    const std::string path = scratch.File("gone.bmp");
    EXPECT_FALSE(setupkit::tools::SaveWindowImage(gone, path));
    EXPECT_FALSE(setupkit::e2e::FileExists(path));
}

} // namespace
