#include "ui/tests/dialog_template.h"

#include <cstring>
#include <stdexcept>

namespace setupkit::testing {

namespace {

class Reader {
  public:
    Reader(const void* data, std::size_t size)
        : bytes_(static_cast<const std::uint8_t*>(data)), size_(size) {}

    std::uint8_t Byte() { return Take(1)[0]; }
    std::uint16_t Word() {
        const std::uint8_t* p = Take(2);
        return static_cast<std::uint16_t>(p[0] | p[1] << 8);
    }
    std::uint32_t Dword() { return Word() | static_cast<std::uint32_t>(Word()) << 16; }
    int Short() { return static_cast<std::int16_t>(Word()); }

    // A zero-terminated UTF-16 text; ours is plain ASCII.
    std::string Text() {
        std::string text;
        for (std::uint16_t c = Word(); c != 0; c = Word())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    // A text, or 0xFFFF followed by an ordinal.
    std::string TextOrOrdinal() {
        const std::uint16_t first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        pos_ -= 2;
        return Text();
    }
    void AlignDword() { pos_ = (pos_ + 3) & ~std::size_t(3); }
    void Skip(std::size_t n) { Take(n); }

  private:
    const std::uint8_t* Take(std::size_t n) {
        if (pos_ + n > size_)
            throw std::runtime_error("dialog template ends early");
        const std::uint8_t* p = bytes_ + pos_;
        pos_ += n;
        return p;
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

std::string PredefinedClass(const std::string& name) {
    static const char* const kAtoms[] = {"BUTTON",  "EDIT",      "STATIC",
                                         "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    if (name.size() > 1 && name[0] == '#') {
        const int atom = std::stoi(name.substr(1));
        if (atom >= 0x80 && atom <= 0x85)
            return kAtoms[atom - 0x80];
    }
    return name;
}

ControlTemplate ReadControl(Reader& in) {
    in.AlignDword();
    ControlTemplate control;
    control.helpId = in.Dword();
    control.exStyle = in.Dword();
    control.style = in.Dword();
    control.x = in.Short();
    control.y = in.Short();
    control.cx = in.Short();
    control.cy = in.Short();
    control.id = in.Dword();
    control.className = PredefinedClass(in.TextOrOrdinal());
    control.text = in.TextOrOrdinal();
    control.extraBytes = in.Word();
    in.Skip(control.extraBytes);
    return control;
}

} // namespace

DialogTemplate ParseDialogTemplateEx(const void* data, std::size_t size) {
    Reader in(data, size);
    DialogTemplate dialog;
    dialog.version = in.Word();
    dialog.signature = in.Word();
    if (dialog.version != 1 || dialog.signature != 0xFFFF)
        throw std::runtime_error("not an extended dialog template");
    dialog.helpId = in.Dword();
    dialog.exStyle = in.Dword();
    dialog.style = in.Dword();
    const std::uint16_t count = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    dialog.menu = in.TextOrOrdinal();
    dialog.windowClass = in.TextOrOrdinal();
    dialog.title = in.Text();
    // DS_SETFONT (and DS_SHELLFONT, which contains it) brings the font fields.
    if (dialog.style & 0x40) {
        dialog.pointSize = in.Word();
        dialog.weight = in.Word();
        dialog.italic = in.Byte();
        dialog.charSet = in.Byte();
        dialog.typeface = in.Text();
    }
    for (std::uint16_t i = 0; i < count; ++i)
        dialog.controls.push_back(ReadControl(in));
    return dialog;
}

} // namespace setupkit::testing
