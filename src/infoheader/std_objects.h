#pragma once
// The font and picture objects of the header's caption and icon. Both are
// shared by reference (std::shared_ptr): whoever holds one sees changes made
// through another holder, as a form designer's font and picture objects behave.
#include <windows.h>

#include <memory>
#include <string>

#include "platform/handles.h"

namespace barsmith {

class StdFont {
public:
    StdFont(std::wstring name, double sizePoints, bool bold = false, bool italic = false);
    StdFont(const StdFont&) = delete;
    StdFont& operator=(const StdFont&) = delete;

    const std::wstring& Name() const { return name_; }
    void SetName(std::wstring name);
    double Size() const { return size_; }
    void SetSize(double points);
    bool Bold() const { return bold_; }
    void SetBold(bool on);
    bool Italic() const { return italic_; }
    void SetItalic(bool on);
    bool Underline() const { return underline_; }
    void SetUnderline(bool on);

    // The GDI font for a screen of `dpiY` dots per inch; made on first use and
    // again after any change. Owned by this object.
    HFONT Handle(int dpiY) const;

private:
    void Changed() { handle_.reset(); }

    std::wstring name_;
    double size_;
    bool bold_;
    bool italic_;
    bool underline_ = false;
    mutable UniqueFont handle_;
    mutable int handleDpi_ = 0;
};

class StdPicture {
public:
    explicit StdPicture(UniqueIcon icon);
    StdPicture(const StdPicture&) = delete;
    StdPicture& operator=(const StdPicture&) = delete;

    // An icon of the program's resources at the given size; null if it cannot be loaded.
    static std::shared_ptr<StdPicture> FromIconResource(int id, int size);

    HICON Icon() const { return icon_.get(); }
    // The picture's own size in pixels.
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Draw(HDC dc, int x, int y) const;

private:
    UniqueIcon icon_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace barsmith
