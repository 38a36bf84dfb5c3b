#include "platform/qtclipboard.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

// Reads a foreign CLIPBOARD owner's text on a private connection: Qt's own connection hands every
// event to Qt, and Qt waits seconds per request, and per incremental transfer.
class QtClipboardBackend::ForeignReader {
public:
    enum class Outcome {
        AskQt,     // no X connection of ours, or the clipboard is our own
        Read,      // the snapshot holds what the clipboard offers
        NoAnswer,  // the owner did not answer for its formats
    };

    explicit ForeignReader(int timeoutMs) : timeoutMs_(timeoutMs) {}
    ~ForeignReader() {
        if (conn_) xcb_disconnect(conn_);
    }
    ForeignReader(const ForeignReader&) = delete;
    ForeignReader& operator=(const ForeignReader&) = delete;

    Outcome Read(Snapshot& out) {
        out = {};
        if (!Connected()) return Outcome::AskQt;
        xcb_get_selection_owner_reply_t* reply =
            xcb_get_selection_owner_reply(conn_, xcb_get_selection_owner(conn_, clipboard_), nullptr);
        if (!reply) return Outcome::AskQt;
        const xcb_window_t owner = reply->owner;
        std::free(reply);
        if (owner == XCB_NONE) return Outcome::Read;
        if ((owner & ~qtIdMask_) == qtIdBase_) return Outcome::AskQt;

        // A fresh requestor each time: a late answer to an earlier attempt goes to a window that
        // no longer exists and can never be taken for this one's.
        requestor_ = xcb_generate_id(conn_);
        const std::uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(conn_, 0, requestor_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, visual_,
                          XCB_CW_EVENT_MASK, &events);
        const Outcome outcome = ReadText(out);
        xcb_destroy_window(conn_, requestor_);
        xcb_flush(conn_);
        return outcome;
    }

private:
    using Clock = std::chrono::steady_clock;
    enum class Answer { Given, Refused, Silent };
    struct Property {
        xcb_atom_t type = XCB_NONE;
        std::string bytes;
    };

    Outcome ReadText(Snapshot& out) {
        // The owner has one time-out for both answers; only the pieces of an incremental
        // transfer get one each.
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs_);
        Property targets;
        switch (Convert(targets_, deadline, targets)) {
            case Answer::Silent:
                return Outcome::NoAnswer;
            case Answer::Refused:
                return Outcome::Read;  // lists no formats, so offers no text
            case Answer::Given:
                break;
        }
        const std::size_t count = targets.bytes.size() / sizeof(xcb_atom_t);
        std::vector<xcb_atom_t> offered(count);
        std::memcpy(offered.data(), targets.bytes.data(), count * sizeof(xcb_atom_t));
        for (const xcb_atom_t target : textTargets_) {
            if (target == XCB_NONE || std::find(offered.begin(), offered.end(), target) == offered.end()) continue;
            out.hasText = true;
            Property text;
            const Answer answer = Convert(target, deadline, text);
            // Silent on the data after listing its formats: the owner answers, so the clipboard
            // opens (an Apply can still replace it), but it gives no text.
            if (answer == Answer::Silent) return Outcome::Read;
            if (answer == Answer::Refused) continue;
            out.text = Decode(text);
            break;
        }
        return Outcome::Read;
    }

    // Asks the owner for the clipboard as target and takes the property it answers with, piece by
    // piece when it sends it incrementally.
    Answer Convert(xcb_atom_t target, Clock::time_point deadline, Property& got) {
        xcb_convert_selection(conn_, requestor_, clipboard_, target, property_, XCB_CURRENT_TIME);
        xcb_flush(conn_);
        xcb_generic_event_t* event = WaitFor(deadline, [&](xcb_generic_event_t* e) {
            const auto* n = reinterpret_cast<xcb_selection_notify_event_t*>(e);
            return (e->response_type & 0x7f) == XCB_SELECTION_NOTIFY && n->requestor == requestor_ &&
                   n->target == target;
        });
        if (!event) return Answer::Silent;
        const xcb_atom_t property = reinterpret_cast<xcb_selection_notify_event_t*>(event)->property;
        std::free(event);
        if (property == XCB_NONE) return Answer::Refused;
        if (!TakeProperty(got)) return Answer::Silent;
        if (got.type != incr_) return Answer::Given;

        // Taking the INCR property asked for the first piece; taking each piece asks for the next,
        // and an empty one ends the transfer.
        got.bytes.clear();
        for (;;) {
            event = WaitFor(Clock::now() + std::chrono::milliseconds(timeoutMs_), [&](xcb_generic_event_t* e) {
                const auto* n = reinterpret_cast<xcb_property_notify_event_t*>(e);
                return (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && n->window == requestor_ &&
                       n->atom == property_ && n->state == XCB_PROPERTY_NEW_VALUE;
            });
            if (!event) return Answer::Silent;
            std::free(event);
            Property piece;
            if (!TakeProperty(piece, got.bytes.size())) return Answer::Silent;
            if (piece.bytes.empty()) return Answer::Given;
            got.type = piece.type;
            got.bytes += piece.bytes;
            if (got.bytes.size() >= MaxTextBytes) return Answer::Given;  // the rest is dropped
        }
    }

    // Reads and deletes our property, at most what still fits under the limit after `have` bytes.
    bool TakeProperty(Property& got, std::size_t have = 0) {
        const std::size_t room = MaxTextBytes > have ? MaxTextBytes - have : 0;
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(conn_,
                                   xcb_get_property(conn_, 1, requestor_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                                    static_cast<std::uint32_t>((room + 3) / 4)),
                                   nullptr);
        if (!reply) return false;
        got.type = reply->type;
        const auto length = static_cast<std::size_t>(xcb_get_property_value_length(reply));
        got.bytes.assign(static_cast<const char*>(xcb_get_property_value(reply)), std::min(length, room));
        std::free(reply);
        return true;
    }

    std::u16string Decode(const Property& p) const {
        // STRING is Latin-1 by definition; so is compound text that stays within Latin-1. Everything
        // else we ask for is UTF-8.
        const bool latin1 = p.type == XCB_ATOM_STRING || p.type == text_ || p.type == compoundText_;
        const auto size = static_cast<qsizetype>(p.bytes.size());
        const QString text =
            latin1 ? QString::fromLatin1(p.bytes.data(), size) : QString::fromUtf8(p.bytes.data(), size);
        return text.toStdU16String();
    }

    // The first event that matches, or null when the deadline passes first; other events are
    // dropped (this connection exists only for these requests).
    template <typename Match>
    xcb_generic_event_t* WaitFor(Clock::time_point deadline, Match matches) {
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(conn_)) {
                if (matches(event)) return event;
                std::free(event);
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0 || xcb_connection_has_error(conn_)) return nullptr;
            pollfd fd{xcb_get_file_descriptor(conn_), POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(left));
        }
    }

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
        incr_ = Atom(c, "INCR");
        property_ = Atom(c, "VARNOPILE_CLIPBOARD");
        text_ = Atom(c, "TEXT");
        compoundText_ = Atom(c, "COMPOUND_TEXT");
        // The text targets in the order we prefer them: Unicode first.
        textTargets_ = {Atom(c, "UTF8_STRING"), Atom(c, "text/plain;charset=utf-8"),
                        XCB_ATOM_STRING,        text_,
                        Atom(c, "text/plain"),  compoundText_};
        if (!clipboard_ || !targets_ || !incr_ || !property_) {
            xcb_disconnect(c);
            return false;
        }
        conn_ = c;
        return true;
    }

    static xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t atom = r ? r->atom : XCB_NONE;
        std::free(r);
        return atom;
    }

    int timeoutMs_;
    bool tried_ = false;
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = XCB_NONE;
    xcb_visualid_t visual_ = 0;
    xcb_window_t requestor_ = XCB_NONE;
    xcb_atom_t clipboard_ = XCB_NONE;
    xcb_atom_t targets_ = XCB_NONE;
    xcb_atom_t incr_ = XCB_NONE;
    xcb_atom_t property_ = XCB_NONE;
    xcb_atom_t text_ = XCB_NONE;
    xcb_atom_t compoundText_ = XCB_NONE;
    std::vector<xcb_atom_t> textTargets_;
    std::uint32_t qtIdBase_ = 0;
    std::uint32_t qtIdMask_ = 0;
};

QtClipboardBackend::QtClipboardBackend(Tormvale::WindowId applicationWindow, int ownerTimeoutMs)
    : reader_(std::make_unique<ForeignReader>(ownerTimeoutMs)), applicationWindow_(applicationWindow) {}

QtClipboardBackend::~QtClipboardBackend() = default;

bool QtClipboardBackend::Open(Tormvale::WindowId window) {
    if (held_) {
        if (holder_ == window) return true;
        lastError_ = EBUSY;
        return false;
    }
    Snapshot snapshot;
    switch (reader_->Read(snapshot)) {
        case ForeignReader::Outcome::NoAnswer:
            lastError_ = ETIMEDOUT;
            return false;
        case ForeignReader::Outcome::Read:
            snapshot_ = std::move(snapshot);
            break;
        case ForeignReader::Outcome::AskQt:
            snapshot_.reset();
            break;
    }
    held_ = true;
    holder_ = window;
    return true;
}

bool QtClipboardBackend::Close() {
    const bool wasHeld = held_;
    held_ = false;
    holder_ = 0;
    snapshot_.reset();
    return wasHeld;
}

const QtClipboardBackend::Snapshot* QtClipboardBackend::Foreign() {
    if (held_) return snapshot_ ? &*snapshot_ : nullptr;
    // Asked without an open: read afresh, and an owner that does not answer offers nothing.
    switch (reader_->Read(loose_)) {
        case ForeignReader::Outcome::AskQt:
            return nullptr;
        case ForeignReader::Outcome::NoAnswer:
            loose_ = {};
            break;
        case ForeignReader::Outcome::Read:
            break;
    }
    return &loose_;
}

bool QtClipboardBackend::IsTextAvailable() {
    if (const Snapshot* foreign = Foreign()) return foreign->hasText;
    const QMimeData* data = SystemClipboard()->mimeData(QClipboard::Clipboard);
    return data && (data->hasText() || !FirstTextFormat(*data).isEmpty());
}

std::optional<std::u16string> QtClipboardBackend::GetUnicodeText() {
    if (const Snapshot* foreign = Foreign()) return foreign->text;
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

// Qt gives the selection up with a round trip, so the next open sees the clipboard emptied rather
// than reading the owner we replace.
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
