#include "platform/qtclipboard.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <QtGui/qguiapplication_platform.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "util/errors.h"

namespace Platform {

namespace {

QClipboard* SystemClipboard() { return QGuiApplication::clipboard(); }

bool OnX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

// Qt names the X text targets (UTF8_STRING, STRING, TEXT, COMPOUND_TEXT) "text/plain"; the raw
// names are accepted too in case a target reaches us unmapped.
bool IsTextFormat(const QString& format) {
    return format == QLatin1String("text/plain") || format.startsWith(QLatin1String("text/plain;")) ||
           format == QLatin1String("UTF8_STRING") || format == QLatin1String("STRING") ||
           format == QLatin1String("TEXT") || format == QLatin1String("COMPOUND_TEXT");
}

QString FirstTextFormat(const QMimeData& data) {
    const QStringList formats = data.formats();
    for (const QString& f : formats)
        if (IsTextFormat(f)) return f;
    return {};
}

}  // namespace

// Asks a foreign CLIPBOARD owner for TARGETS on a private connection: Qt's own connection hands
// every event to Qt, and Qt would wait 5 s per request.
class QtClipboardBackend::OwnerProbe {
public:
    explicit OwnerProbe(int timeoutMs) : timeoutMs_(timeoutMs) {}
    ~OwnerProbe() {
        if (conn_) xcb_disconnect(conn_);
    }
    OwnerProbe(const OwnerProbe&) = delete;
    OwnerProbe& operator=(const OwnerProbe&) = delete;

    // False only when another client owns the clipboard and did not answer in time.
    bool OwnerAnswers() {
        if (!Connected()) return true;
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(conn_, xcb_get_selection_owner(conn_, clipboard_), nullptr);
        if (!reply) return true;
        const xcb_window_t owner = reply->owner;
        std::free(reply);
        if (owner == XCB_NONE || (owner & ~qtIdMask_) == qtIdBase_) return true;
        return AnswersTargets();
    }

private:
    bool Connected() {
        if (conn_ && xcb_connection_has_error(conn_)) {
            xcb_disconnect(conn_);
            conn_ = nullptr;
            tried_ = false;  // the server went away; a later open may find a new one
        }
        if (tried_) return conn_ != nullptr;
        tried_ = true;
        if (!OnX11()) return false;
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11 || !x11->connection()) return false;
        const xcb_setup_t* qtSetup = xcb_get_setup(x11->connection());
        qtIdBase_ = qtSetup->resource_id_base;
        qtIdMask_ = qtSetup->resource_id_mask;

        const QByteArray display = qgetenv("DISPLAY");
        if (display.isEmpty()) return false;
        int screen = 0;
        xcb_connection_t* c = xcb_connect(display.constData(), &screen);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return false;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int i = 0; i < screen && it.rem; ++i) xcb_screen_next(&it);
        if (!it.rem) {
            xcb_disconnect(c);
            return false;
        }
        root_ = it.data->root;
        visual_ = it.data->root_visual;
        clipboard_ = Atom(c, "CLIPBOARD");
        targets_ = Atom(c, "TARGETS");
        property_ = Atom(c, "VARNOPILE_OWNER_PROBE");
        if (!clipboard_ || !targets_ || !property_) {
            xcb_disconnect(c);
            return false;
        }
        conn_ = c;
        return true;
    }

    static xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t atom = r ? r->atom : XCB_NONE;
        std::free(r);
        return atom;
    }

    bool AnswersTargets() {
        // A fresh requestor each time: a late answer to an earlier probe goes to a window that no
        // longer exists and can never be taken for this one's.
        const xcb_window_t requestor = xcb_generate_id(conn_);
        xcb_create_window(conn_, 0, requestor, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, visual_, 0,
                          nullptr);
        xcb_convert_selection(conn_, requestor, clipboard_, targets_, property_, XCB_CURRENT_TIME);
        xcb_flush(conn_);

        bool answered = false;
        QElapsedTimer clock;
        clock.start();
        while (!answered) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(conn_)) {
                if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY &&
                    reinterpret_cast<xcb_selection_notify_event_t*>(event)->requestor == requestor)
                    answered = true;  // a refusal (property None) is an answer too
                std::free(event);
            }
            const qint64 left = timeoutMs_ - clock.elapsed();
            if (answered || left <= 0 || xcb_connection_has_error(conn_)) break;
            pollfd fd{xcb_get_file_descriptor(conn_), POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(left));
        }
        xcb_destroy_window(conn_, requestor);
        xcb_flush(conn_);
        return answered;
    }

    int timeoutMs_;
    bool tried_ = false;
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    xcb_visualid_t visual_ = 0;
    xcb_atom_t clipboard_ = XCB_NONE;
    xcb_atom_t targets_ = XCB_NONE;
    xcb_atom_t property_ = XCB_NONE;
    std::uint32_t qtIdBase_ = 0;
    std::uint32_t qtIdMask_ = 0;
};

QtClipboardBackend::QtClipboardBackend(Tormvale::WindowId applicationWindow, int ownerTimeoutMs)
    : probe_(std::make_unique<OwnerProbe>(ownerTimeoutMs)), applicationWindow_(applicationWindow) {}

QtClipboardBackend::~QtClipboardBackend() = default;

bool QtClipboardBackend::Open(Tormvale::WindowId window) {
    if (held_) {
        if (holder_ == window) return true;
        lastError_ = EBUSY;
        return false;
    }
    if (!probe_->OwnerAnswers()) {
        lastError_ = ETIMEDOUT;
        return false;
    }
    held_ = true;
    holder_ = window;
    return true;
}

bool QtClipboardBackend::Close() {
    const bool wasHeld = held_;
    held_ = false;
    holder_ = 0;
    return wasHeld;
}

bool QtClipboardBackend::IsTextAvailable() {
    const QMimeData* data = SystemClipboard()->mimeData(QClipboard::Clipboard);
    return data && (data->hasText() || !FirstTextFormat(*data).isEmpty());
}

std::optional<std::u16string> QtClipboardBackend::GetUnicodeText() {
    const QMimeData* data = SystemClipboard()->mimeData(QClipboard::Clipboard);
    if (!data) return std::nullopt;
    QString text;
    if (data->hasText()) {
        text = data->text();
    } else {
        const QString format = FirstTextFormat(*data);
        if (format.isEmpty()) return std::nullopt;
        text = QString::fromUtf8(data->data(format));
    }
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

void QtClipboardBackend::Empty() { SystemClipboard()->clear(QClipboard::Clipboard); }

bool QtClipboardBackend::AllocateBlock(std::size_t) {
    // The block is an ordinary allocation here; running out surfaces as std::bad_alloc.
    return true;
}

bool QtClipboardBackend::SetUnicodeText(const std::u16string& block) {
    std::u16string_view units(block);
    if (!units.empty() && units.back() == u'\0') units.remove_suffix(1);
    QClipboard* clipboard = SystemClipboard();
    clipboard->setText(QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size())),
                       QClipboard::Clipboard);
    // On X11 the server may refuse us the selection; elsewhere Qt gives no way to tell.
    return !OnX11() || clipboard->ownsClipboard();
}

int QtClipboardBackend::LastError() { return lastError_; }

std::u16string QtClipboardBackend::ErrorText(int code) { return Tormvale::SystemErrorText(code); }

void QtClipboardBackend::Pause(int milliseconds) {
    // Blocks the window on purpose, as the retry rules allow: at most five pauses per operation.
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

Tormvale::WindowId QtClipboardBackend::ApplicationWindow() { return applicationWindow_; }

}  // namespace Platform
