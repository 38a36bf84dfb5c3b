#include "ui/windowsettings.h"

#include <QFont>
#include <QWidget>
#include <algorithm>

#include "platform/qtdesktop.h"
#include "platform/systemfonts.h"
#include "platform/windowframe.h"
#include "ui/editor.h"
#include "util/settingsstore.h"

namespace Ui {

namespace {

// X carries positions and sizes in 16 bits; nothing beyond them reaches the window system.
constexpr qint64 WindowSystemLimit = 32767;

int ToWindowSystem(qint64 v, qint64 low) { return static_cast<int>(std::clamp(v, low, WindowSystemLimit)); }

// A window manager that takes longer than this to say what frame it will draw is corrected once
// the window is up.
constexpr int FrameAnswerMs = 500;

QString ToQ(const std::u16string& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

OuterBounds::OuterBounds(QWidget* window, QSize minimum) : window_(window), minimum_(minimum) {}

void OuterBounds::Start(QPoint topLeft, QSize clientSize) {
    const std::optional<QMargins> frame = Platform::FrameBeforeShowing(window_, FrameAnswerMs);
    frame_ = frame.value_or(QMargins());
    Move(topLeft.x(), topLeft.y(), clientSize.width() + frame_.left() + frame_.right(),
         clientSize.height() + frame_.top() + frame_.bottom(), false);
}

bool OuterBounds::GetRect(Tormvale::Rect& rect) const {
    if (target_ && !window_->isVisible()) {
        rect = {target_->left, target_->top, target_->left + target_->width, target_->top + target_->height};
        return true;
    }
    const QRect client = window_->geometry();
    const QMargins frame = Platform::CurrentFrame(window_).value_or(frame_);
    const QPoint origin = Platform::PrimaryOrigin();
    qint64 left = qint64{client.x()} - frame.left() - origin.x();
    qint64 top = qint64{client.y()} - frame.top() - origin.y();
    if (!Platform::ClientPlacesWindows()) {
        // Where the compositor put the window is not ours to know: keep the place we were given.
        left = placed_.x();
        top = placed_.y();
    }
    rect = {left, top, left + client.width() + frame.left() + frame.right(),
            top + client.height() + frame.top() + frame.bottom()};
    return true;
}

bool OuterBounds::IsMaximized() const { return window_->isMaximized(); }

void OuterBounds::Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) {
    // The window system's tracking sizes: never smaller than can be grabbed again, never larger
    // than the virtual desktop (a larger one only eats memory).
    qint64 w = width, h = height;
    const QSize largest = Platform::VirtualDesktopSize();
    if (largest.isValid()) {
        w = std::min<qint64>(w, largest.width());
        h = std::min<qint64>(h, largest.height());
    }
    w = std::max<qint64>(w, minimum_.width());
    h = std::max<qint64>(h, minimum_.height());
    target_ = Target{left, top, w, h, QRect()};
    placed_ = QPoint(left, top);
    Apply();
    if (repaint) window_->update();
}

void OuterBounds::Apply() {
    const QPoint origin = Platform::PrimaryOrigin();
    Target& t = *target_;
    const QRect client(ToWindowSystem(t.left + origin.x() + frame_.left(), -WindowSystemLimit),
                       ToWindowSystem(t.top + origin.y() + frame_.top(), -WindowSystemLimit),
                       ToWindowSystem(t.width - frame_.left() - frame_.right(), 1),
                       ToWindowSystem(t.height - frame_.top() - frame_.bottom(), 1));
    window_->setGeometry(client);
    t.client = window_->geometry();
}

void OuterBounds::Settle() {
    if (!target_ || !window_->isVisible()) return;
    const std::optional<QMargins> frame = Platform::CurrentFrame(window_);
    if (!frame) return;
    const bool same = *frame == frame_;
    frame_ = *frame;
    // A Wayland client neither sets nor learns its position: only the size tells.
    const QRect now = window_->geometry();
    const bool untouched = now.size() == target_->client.size() &&
                           (!Platform::ClientPlacesWindows() || now.topLeft() == target_->client.topLeft());
    if (!same && untouched && !window_->isMaximized() && !window_->isMinimized()) Apply();
    target_.reset();
}

void ReadSettings(const std::string& path, TextEditor* editor, const QFont& menuFont, OuterBounds& bounds) {
    const Tormvale::SettingsStore ini =
        path.empty() ? Tormvale::SettingsStore() : Tormvale::SettingsStore::Load(path, Tormvale::SettingsEncoding::Detect);

    QFont font = editor->font();
    const std::u16string face = ini.ReadString(u"Font", u"Name", menuFont.family().toStdU16String());
    if (!face.empty()) font.setFamily(ToQ(face));
    editor->setFont(font);
    const int size = ini.ReadInteger(u"Font", u"Size", Platform::PointSizeOf(menuFont));
    // Qt cannot show a size of 0 or less; an absurd size would only stall the editor.
    if (size > 0 && size <= 1000) {
        font.setPointSize(size);
        editor->setFont(font);
    }

    // Each default is the window's value at that moment; setting the top changes none of the others.
    Tormvale::Rect r;
    bounds.GetRect(r);
    const int32_t top = ini.ReadInteger(u"Window", u"Top", static_cast<int32_t>(r.top));
    const int32_t left = ini.ReadInteger(u"Window", u"Left", static_cast<int32_t>(r.left));
    const int32_t height = ini.ReadInteger(u"Window", u"Height", static_cast<int32_t>(r.bottom - r.top));
    const int32_t width = ini.ReadInteger(u"Window", u"Width", static_cast<int32_t>(r.right - r.left));
    bounds.Move(left, top, width, height, false);
}

void WriteSettings(const std::string& path, const QFont& editorFont, const OuterBounds& bounds) {
    if (path.empty()) return;
    // Read afresh so that whatever else the file holds survives; the six entries take our values.
    Tormvale::SettingsStore ini = Tormvale::SettingsStore::Load(path, Tormvale::SettingsEncoding::Detect);
    ini.WriteString(u"Font", u"Name", editorFont.family().toStdU16String());
    ini.WriteInteger(u"Font", u"Size", Platform::PointSizeOf(editorFont));
    Tormvale::Rect r;
    bounds.GetRect(r);
    auto fit = [](qint64 v) { return static_cast<int32_t>(std::clamp<qint64>(v, INT32_MIN, INT32_MAX)); };
    ini.WriteInteger(u"Window", u"Top", fit(r.top));
    ini.WriteInteger(u"Window", u"Left", fit(r.left));
    ini.WriteInteger(u"Window", u"Height", fit(r.bottom - r.top));
    ini.WriteInteger(u"Window", u"Width", fit(r.right - r.left));
    ini.UpdateFile();
}

}  // namespace Ui
