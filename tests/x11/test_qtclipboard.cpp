// The Qt clipboard backend against a real X server, with xclip as the other program.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/takeclipboardtext.h"
#include "platform/qtclipboard.h"
#include "util/clipboard.h"
#include "util/text.h"

using namespace std::string_literals;

namespace {

constexpr int DeadlineMs = 5000;

// Sleeps for real, and counts.
class CountingBackend : public Platform::QtClipboardBackend {
public:
    void Pause(int milliseconds) override {
        ++pauses;
        QtClipboardBackend::Pause(milliseconds);
    }
    int pauses = 0;
};

// A connection of the test's own: sees who owns CLIPBOARD, and can own it without ever answering.
class XConnection {
public:
    XConnection() {
        conn_ = xcb_connect(nullptr, nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
        const char* name = "CLIPBOARD";
        auto* r = xcb_intern_atom_reply(conn_, xcb_intern_atom(conn_, 0, std::strlen(name), name), nullptr);
        clipboard_ = r->atom;
        std::free(r);
    }
    ~XConnection() { xcb_disconnect(conn_); }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    xcb_window_t Owner() {
        auto* r = xcb_get_selection_owner_reply(conn_, xcb_get_selection_owner(conn_, clipboard_), nullptr);
        const xcb_window_t owner = r ? r->owner : XCB_NONE;
        std::free(r);
        return owner;
    }

    // This connection never reads its events, so requests for the selection go unanswered.
    xcb_window_t OwnSilently() {
        const xcb_window_t w = xcb_generate_id(conn_);
        xcb_create_window(conn_, 0, w, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0,
                          nullptr);
        xcb_set_selection_owner(conn_, w, clipboard_, XCB_CURRENT_TIME);
        xcb_flush(conn_);
        return w;
    }

private:
    xcb_connection_t* conn_;
    xcb_window_t root_;
    xcb_atom_t clipboard_;
};

// Qt drops its cached list of a foreign owner's targets when it handles the owner-change event.
// A round trip on Qt's connection brings every earlier event in; processEvents handles them.
void SyncQt() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11->connection();
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    QCoreApplication::processEvents();
}

// Makes us the owner first: a window id of an xclip that has gone can come back with the next one.
xcb_window_t OwnFromQt(XConnection& x) {
    QApplication::clipboard()->setText(QStringLiteral("placeholder"));
    xcb_window_t ours = XCB_NONE;
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QApplication::clipboard()->ownsClipboard() && (ours = x.Owner()); }, DeadlineMs));
    return ours;
}

// Another program serving the clipboard from the foreground, for as long as the object lives.
class ForeignOwner {
public:
    ForeignOwner(XConnection& x, const QStringList& command, const QByteArray& bytes) {
        const xcb_window_t before = OwnFromQt(x);
        process_.start(command.front(), command.mid(1));
        process_.write(bytes);
        process_.closeWriteChannel();
        owning_ = QTest::qWaitFor(
            [&] {
                const xcb_window_t owner = x.Owner();
                return owner != before && owner != XCB_NONE;
            },
            DeadlineMs);
        SyncQt();
    }
    ~ForeignOwner() {
        process_.kill();
        process_.waitForFinished(DeadlineMs);
    }
    bool owning() const { return owning_; }

private:
    QProcess process_;
    bool owning_ = false;
};

QStringList Xclip(const QString& target) {
    return {QStringLiteral("xclip"),     QStringLiteral("-quiet"), QStringLiteral("-selection"),
            QStringLiteral("clipboard"), QStringLiteral("-t"),     target,
            QStringLiteral("-i")};
}

// Runs xclip -o with the event loop turning, so that we can answer it.
QByteArray ReadWithXclip(const QString& target) {
    QProcess p;
    p.start(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                      QStringLiteral("-t"), target});
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, DeadlineMs)) << "xclip -o hangs";
    return p.readAllStandardOutput();
}

QByteArray Png() {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

std::u16string U16(const QString& s) { return s.toStdU16String(); }

}  // namespace

TEST(QtClipboardBackend, TakesTextOfferedByAnotherProgram) {
    const QString japanese = QStringLiteral("日本語のテキスト ｶﾞｷﾞ　ＡＢＣ abc\r\n二行目");
    struct Case {
        const char* name;
        QString target;
        QByteArray bytes;
        bool taken;
        std::u16string text;
        int pauses;
    };
    const Case cases[] = {
        {"UTF-8 Japanese", "UTF8_STRING", japanese.toUtf8(), true, U16(japanese), 0},
        {"STRING only, Latin-1", "STRING", "caf\xe9 \xb5", true, U16(QString::fromLatin1("caf\xe9 \xb5")), 0},
        {"text/plain only", "text/plain", "plain", true, u"plain", 0},
        {"NUL inside", "UTF8_STRING", QByteArray("ab\0cd", 5), true, u"ab", 0},
        {"picture only", "image/png", Png(), false, u"", 1},
    };
    XConnection x;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForeignOwner owner(x, Xclip(c.target), c.bytes);
        ASSERT_TRUE(owner.owning()) << "xclip did not take the clipboard";
        CountingBackend backend;
        const Varnopile::TakenText got = Varnopile::TakeClipboardText(backend);
        EXPECT_EQ(got.taken, c.taken);
        EXPECT_EQ(got.text, c.text);
        EXPECT_EQ(backend.pauses, c.pauses);
        EXPECT_EQ(Tormvale::ClipboardFor(backend).FOpenRefCount, 0);
    }
}

TEST(QtClipboardBackend, PutReplacesEverythingAndIsReadable) {
    XConnection x;
    ForeignOwner picture(x, Xclip(QStringLiteral("image/png")), Png());
    ASSERT_TRUE(picture.owning());
    CountingBackend backend;

    const QString text = QStringLiteral("ﾊﾟｿｺﾝ → パソコン\tok");
    ASSERT_TRUE(Tormvale::PutClipboardText(backend, U16(text)));
    EXPECT_EQ(ReadWithXclip(QStringLiteral("UTF8_STRING")), text.toUtf8());
    const QByteArray targets = ReadWithXclip(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("UTF8_STRING")) << targets.constData();
    EXPECT_FALSE(targets.contains("image/png")) << "the picture must be gone";
    EXPECT_EQ(backend.pauses, 0);

    // Our own text comes back the way another program's does, cut at a NUL.
    ASSERT_TRUE(Tormvale::PutClipboardText(backend, u"a\0b"s));
    const Varnopile::TakenText back = Varnopile::TakeClipboardText(backend);
    EXPECT_TRUE(back.taken);
    EXPECT_EQ(back.text, u"a");
}

// Owners that stop or die part way give no text at once, and Apply still replaces them; an owner
// that keeps sending, however slowly, delivers every byte.
TEST(QtClipboardBackend, ReadsEveryOwnerInBoundedTime) {
    const QByteArray small = QStringLiteral("ｶﾀｶﾅ かな ABC").toUtf8();
    const QByteArray large = QStringLiteral("日本語テキストのかたまり、").repeated(60000).toUtf8();  // 2.3 MB
    constexpr std::size_t kept = Platform::QtClipboardBackend::MaxTextBytes;
    const auto owner = [](const char* mode, int piece = 4096, int pauseMs = 0) {
        return QStringList{QStringLiteral(CLIPBOARD_OWNER), QString::fromLatin1(mode), QString::number(piece),
                           QString::number(pauseMs)};
    };
    struct Case {
        const char* name;
        QStringList command;
        QByteArray bytes;
        bool delivered;
    };
    const Case cases[] = {
        {"silent after the targets", owner("silent"), small, false},
        {"slow INCR that keeps sending", owner("incr", 1, 40), small, true},  // 24 pieces, 40 ms apart
        {"large INCR", owner("incr", 65536), large, true},
        {"INCR beyond what we keep", owner("incr", 1 << 18), QByteArray(kept + 65536, 'k'), true},
        {"INCR that dies after a piece", owner("dies", 4), small, false},
    };
    XConnection x;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForeignOwner serving(x, c.command, c.bytes);
        ASSERT_TRUE(serving.owning()) << "the owner did not take the clipboard";
        CountingBackend backend;
        QElapsedTimer clock;
        clock.start();
        const Varnopile::TakenText got = Varnopile::TakeClipboardText(backend);
        const qint64 ms = clock.elapsed();
        std::printf("%-32s %6lld ms\n", c.name, static_cast<long long>(ms));
        EXPECT_LT(ms, 3000) << "the window would hang";
        EXPECT_TRUE(got.taken);
        EXPECT_EQ(got.text, c.delivered ? U16(QString::fromUtf8(c.bytes.left(kept))) : u"");
        EXPECT_EQ(backend.pauses, 0);
        EXPECT_EQ(Tormvale::ClipboardFor(backend).FOpenRefCount, 0);
        EXPECT_TRUE(Tormvale::PutClipboardText(backend, u"ours")) << "Apply must replace any owner that answers";
    }
}

TEST(QtClipboardBackend, SilentOwnerCountsAsRefusedOpens) {
    XConnection silent;
    const xcb_window_t w = silent.OwnSilently();
    ASSERT_EQ(silent.Owner(), w);
    SyncQt();

    CountingBackend backend;
    QElapsedTimer clock;
    clock.start();
    const Varnopile::TakenText got = Varnopile::TakeClipboardText(backend);
    const qint64 takeMs = clock.restart();
    const bool put = Tormvale::PutClipboardText(backend, u"x");
    const qint64 putMs = clock.elapsed();

    EXPECT_FALSE(got.taken);
    EXPECT_TRUE(got.text.empty());
    EXPECT_FALSE(put);
    EXPECT_EQ(backend.pauses, 2 * Tormvale::ClipboardAttempts);
    // Five probes and five pauses of 100 ms each; Qt alone waits 10 s for one presence test.
    EXPECT_LT(takeMs, 3000);
    EXPECT_LT(putMs, 3000);
    std::printf("silent owner: take %lld ms, put %lld ms\n", static_cast<long long>(takeMs),
                static_cast<long long>(putMs));
}

// Qt's own wait on an owner that never answers; run with --gtest_also_run_disabled_tests.
TEST(QtClipboardBackend, DISABLED_QtAloneWaitsOnSilentOwner) {
    XConnection silent;
    const xcb_window_t w = silent.OwnSilently();
    ASSERT_EQ(silent.Owner(), w);
    SyncQt();
    QElapsedTimer clock;
    clock.start();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const bool hasText = data && data->hasText();
    const qint64 presenceMs = clock.restart();
    const QString text = QApplication::clipboard()->text();
    const qint64 readMs = clock.elapsed();
    EXPECT_FALSE(hasText);
    EXPECT_TRUE(text.isEmpty());
    std::printf("QClipboard with a silent owner: hasText %lld ms, text %lld ms\n", static_cast<long long>(presenceMs),
                static_cast<long long>(readMs));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
