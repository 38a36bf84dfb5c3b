#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QGuiApplication>
#include <QScreen>

#include <fstream>
#include <sstream>

#include "tests/widget/formfixture.h"
#include "util/errors.h"
#include "util/settingsstore.h"

using namespace Testing;

namespace {

// The file as the program writes it: FF FE, UTF-16LE, CR LF after every line.
std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::u16string Num(int n) { return QString::number(n).toStdU16String(); }

std::u16string TenLines(const QString& face, int size, const QRect& frame) {
    return u"[Font]\r\nName=" + face.toStdU16String() + u"\r\nSize=" + Num(size) + u"\r\n\r\n[Window]\r\nTop=" +
           Num(frame.top()) + u"\r\nLeft=" + Num(frame.left()) + u"\r\nHeight=" + Num(frame.height()) + u"\r\nWidth=" +
           Num(frame.width()) + u"\r\n\r\n";
}

}  // namespace

TEST(Settings, FirstRunUsesTheMenuFontAndTheFirstCloseWritesTenLines) {
    FormHarness h;
    Ui::TMainForm& form = h.Make();
    EXPECT_EQ(form.Editor->font().family(), TestMenuFont().family());
    EXPECT_EQ(form.Editor->font().pointSize(), TestMenuFont().pointSize());
    for (Ui::TextList* list : {form.ListBox, form.ListBoxK}) {
        EXPECT_EQ(list->font().family(), TestMenuFont().family());
        EXPECT_EQ(list->font().pointSize(), 10);
        EXPECT_EQ(list->ItemHeight(), 22);
    }
    EXPECT_EQ(form.ToolBar->font().family(), TestMenuFont().family());
    EXPECT_EQ(form.StatusBar->font().family(), TestMenuFont().family());
    EXPECT_EQ(form.ToolBar->font().pointSize(), 11);
    EXPECT_EQ(form.StatusBar->font().pointSize(), 9);
    ASSERT_TRUE(ShowAndActivate(form));
    const QRect frame = form.frameGeometry();
    EXPECT_EQ(frame.topLeft(), QPoint(336, 201));
    EXPECT_TRUE(form.close());
    EXPECT_EQ(ReadBytes(h.SettingsPath()),
              Utf16File(TenLines(TestMenuFont().family(), TestMenuFont().pointSize(), frame)));
    struct stat st {};
    ASSERT_EQ(::stat(h.SettingsPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(Settings, StoredFontAndBoundsAreAppliedAndWrittenBackInPlace) {
    FormHarness h;
    WriteBytes(h.SettingsPath(),
               Utf16File(u"; mine\r\n[Other]\r\nKeep=1\r\n[font]\r\nNAME = テスト書体\r\nSize=0x0E\r\n"
                         u"[Window]\r\nTop=100\r\nLeft=120\r\nHeight=300\r\nWidth=400\r\n"));
    Ui::TMainForm& form = h.Make();
    EXPECT_EQ(form.Editor->font().family(), "テスト書体");
    EXPECT_EQ(form.Editor->font().pointSize(), 14);
    EXPECT_EQ(form.ListBox->font().family(), "テスト書体");
    EXPECT_EQ(form.ListBoxK->font().pointSize(), 10);
    ASSERT_TRUE(ShowAndActivate(form));
    EXPECT_EQ(form.frameGeometry(), QRect(120, 100, 400, 300));
    form.move(130, 140);
    const QRect frame = form.frameGeometry();
    EXPECT_TRUE(form.close());
    // The file's spelling of names stays, other sections keep their place, the comment goes.
    EXPECT_EQ(ReadBytes(h.SettingsPath()),
              Utf16File(u"[Other]\r\nKeep=1\r\n\r\n[font]\r\nNAME=テスト書体\r\nSize=14\r\n\r\n[Window]\r\nTop=" +
                        Num(frame.top()) + u"\r\nLeft=" + Num(frame.left()) + u"\r\nHeight=300\r\nWidth=400\r\n\r\n"));
}

TEST(Settings, AnEmptyNameKeepsTheDesignedFace) {
    FormHarness h;
    WriteBytes(h.SettingsPath(), Utf16File(u"[Font]\r\nName=\r\nSize=12\r\n"));
    Ui::TMainForm& form = h.Make();
    EXPECT_EQ(form.Editor->font().family(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(form.Editor->font().pointSize(), 12);
    EXPECT_EQ(form.ListBox->font().family(), "ＭＳ Ｐゴシック");
    EXPECT_TRUE(form.close());
    const auto ini = Tormvale::SettingsStore::Load(h.SettingsPath(), Tormvale::SettingsEncoding::Detect);
    EXPECT_EQ(ini.ReadString(u"Font", u"Name", u"?"), u"ＭＳ Ｐゴシック");
}

TEST(Settings, BoundsOnNoMonitorComeBackCentredOnThePrimary) {
    FormHarness h;
    WriteBytes(h.SettingsPath(), Utf16File(u"[Window]\r\nTop=5000\r\nLeft=-7000\r\nHeight=300\r\nWidth=400\r\n"));
    Ui::TMainForm& form = h.Make();
    // 1920 × 1080 with the 40-pixel taskbar given back: (1920 − 400) / 2, (1080 − 300) / 2.
    EXPECT_EQ(form.frameGeometry(), QRect(760, 390, 400, 300));
    // A right edge past the int32 limit is on no monitor either, and the window still opens.
    FormHarness far;
    WriteBytes(far.SettingsPath(), Utf16File(u"[Window]\r\nTop=10\r\nLeft=2147483248\r\nHeight=300\r\nWidth=400\r\n"));
    Ui::TMainForm& farForm = far.Make();
    EXPECT_EQ(farForm.frameGeometry(), QRect(760, 390, 400, 300));
    ASSERT_TRUE(ShowAndActivate(farForm));
}

TEST(Settings, AnUnreadableFileStopsCreationButTheWindowOpens) {
    FormHarness h;
    WriteBytes(h.SettingsPath(), Utf16File(u"[Font]\r\nName=テスト書体\r\nSize=20\r\n"));
    ASSERT_EQ(::chmod(h.SettingsPath().c_str(), 0), 0);
    Ui::TMainForm& form = h.Make();
    ASSERT_EQ(h.errors.shown.size(), 1);
    // The message ends in a space, so no full stop is added.
    EXPECT_EQ(h.errors.shown[0], QString::fromStdString("ファイル " + h.SettingsPath() + " は開けません。 ") +
                                     QString::fromStdU16String(Tormvale::SystemErrorText(EACCES)) + " ");
    EXPECT_EQ(form.Editor->font().family(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(form.Editor->font().pointSize(), 9);
    EXPECT_EQ(form.ListBox->font().family(), "MS UI Gothic");
    EXPECT_EQ(form.ListBoxK->font().family(), "ＭＳ Ｐゴシック");
    EXPECT_EQ(form.ListBox->font().pointSize(), 10);
    EXPECT_EQ(form.ToolBar->font().family(), TestMenuFont().family());
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(336, 201));
    ASSERT_TRUE(ShowAndActivate(form));
    EXPECT_TRUE(form.isVisible());
}

TEST(Settings, AReadOnlyFileKeepsTheWindowOpenOnEveryClose) {
    FormHarness h;
    const std::string original = Utf16File(u"[Font]\r\nName=テスト書体\r\nSize=13\r\n");
    WriteBytes(h.SettingsPath(), original);
    ASSERT_EQ(::chmod(h.SettingsPath().c_str(), 0444), 0);
    Ui::TMainForm& form = h.Make();
    ASSERT_TRUE(ShowAndActivate(form));
    const QString expected = QString::fromStdString("ファイル \"" + h.SettingsPath() + "\" を作成できません。") +
                             QString::fromStdU16String(Tormvale::SystemErrorText(EACCES)) + ".";
    for (int attempt = 1; attempt <= 2; ++attempt) {
        EXPECT_FALSE(form.close());
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(h.errors.shown.size(), attempt);
        EXPECT_EQ(h.errors.shown.back(), expected);
        EXPECT_EQ(ReadBytes(h.SettingsPath()), original);
    }
    // Once the file may be written again, the next close goes through.
    ASSERT_EQ(::chmod(h.SettingsPath().c_str(), 0600), 0);
    EXPECT_TRUE(form.close());
    EXPECT_NE(ReadBytes(h.SettingsPath()), original);
}

TEST(Settings, TheCloseButtonSavesLikeTheCloseBox) {
    FormHarness h;
    Ui::TMainForm& form = h.Make();
    ASSERT_TRUE(ShowAndActivate(form));
    form.TBClose->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 2000));
    EXPECT_FALSE(ReadBytes(h.SettingsPath()).empty());
}

TEST(Settings, ARestartBringsBackTheSameBoundsAndFontWithoutCreep) {
    FormHarness h;
    QRect frame;
    {
        Ui::TMainForm& form = h.Make();
        ASSERT_TRUE(ShowAndActivate(form));
        form.setGeometry(200, 150, 500, 420);
        QFont f = form.Editor->font();
        f.setFamily("テスト書体");
        f.setPointSize(17);
        form.Editor->setFont(f);
        frame = form.frameGeometry();
        ASSERT_TRUE(form.close());
    }
    const std::string first = ReadBytes(h.SettingsPath());
    for (int run = 0; run < 3; ++run) {
        Ui::TMainForm& form = h.Make();
        ASSERT_TRUE(ShowAndActivate(form));
        EXPECT_EQ(form.frameGeometry(), frame) << "run " << run;
        EXPECT_EQ(form.Editor->font().family(), "テスト書体");
        EXPECT_EQ(form.Editor->font().pointSize(), 17);
        ASSERT_TRUE(form.close());
        EXPECT_EQ(ReadBytes(h.SettingsPath()), first) << "run " << run;
    }
}

TEST(Settings, MinimisedSavesTheRestoredBoundsMaximisedTheMaximisedOnes) {
    struct Case {
        const char* name;
        void (*state)(QWidget&);
        bool (*reached)(const QWidget&);
    };
    const Case cases[] = {
        {"minimised", [](QWidget& w) { w.showMinimized(); }, [](const QWidget& w) { return w.isMinimized(); }},
        {"maximised", [](QWidget& w) { w.showMaximized(); }, [](const QWidget& w) { return w.isMaximized(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormHarness h;
        Ui::TMainForm& form = h.Make();
        ASSERT_TRUE(ShowAndActivate(form));
        form.setGeometry(210, 220, 450, 380);
        const QRect normal = form.frameGeometry();
        c.state(form);
        ASSERT_TRUE(QTest::qWaitFor([&] { return c.reached(form); }, 2000));
        const QRect expected = form.isMaximized() ? form.frameGeometry() : normal;
        ASSERT_TRUE(form.close());
        const auto ini = Tormvale::SettingsStore::Load(h.SettingsPath(), Tormvale::SettingsEncoding::Detect);
        EXPECT_EQ(QRect(ini.ReadInteger(u"Window", u"Left", -1), ini.ReadInteger(u"Window", u"Top", -1),
                        ini.ReadInteger(u"Window", u"Width", -1), ini.ReadInteger(u"Window", u"Height", -1)),
                  expected);
        // The next run opens in the normal state on those bounds.
        Ui::TMainForm& again = h.Make();
        ASSERT_TRUE(ShowAndActivate(again));
        EXPECT_FALSE(again.isMaximized());
        EXPECT_EQ(again.frameGeometry(), expected);
    }
}

TEST(Settings, StoredSizesAreKeptBetweenTheMinimumAndTheVirtualDesktop) {
    const struct {
        const char16_t* size;
        QSize expected;
    } cases[] = {
        {u"Height=0\r\nWidth=-5\r\n", QSize(Ui::TMainForm::MinimumOuterWidth, Ui::TMainForm::MinimumOuterHeight)},
        {u"Height=38\r\nWidth=135\r\n", QSize(Ui::TMainForm::MinimumOuterWidth, Ui::TMainForm::MinimumOuterHeight)},
        {u"Height=39\r\nWidth=136\r\n", QSize(136, 39)},
        {u"Height=$FFFFFFFF\r\nWidth=400\r\n", QSize(400, Ui::TMainForm::MinimumOuterHeight)},
        // Never larger than the virtual desktop: a larger window only eats memory.
        {u"Height=2147483647\r\nWidth=2147483647\r\n", QGuiApplication::primaryScreen()->virtualSize()},
        {u"Height=100000\r\nWidth=300\r\n", QSize(300, QGuiApplication::primaryScreen()->virtualSize().height())},
    };
    for (const auto& c : cases) {
        FormHarness h;
        WriteBytes(h.SettingsPath(), Utf16File(u"[Window]\r\nTop=10\r\nLeft=10\r\n" + std::u16string(c.size)));
        Ui::TMainForm& form = h.Make();
        EXPECT_EQ(form.frameGeometry().size(), c.expected);
    }
}
