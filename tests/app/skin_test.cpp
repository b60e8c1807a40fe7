// The skin library and its lookup, with real shared libraries copied into temporary folders.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QApplication>
#include <QLineEdit>

#include <cstring>

#include "app/app_state.h"
#include "app/skin.h"
#include "tests/app/shell_test_util.h"

namespace ql {
namespace {

using test::CopyInto;
using test::TempDir;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "skin_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

using AttachFn = int (*)(const unsigned char*, int, const char*, int, int, int);
using CountFn = int (*)();

// Each test copies the counting build into its own folders, so every copy is a library of its own.
class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application();
        App().Clear();
        SetRunDirectory(run.path());
        SetSystemFolder(system.path());
        qApp->setStyleSheet(QString());
    }
    void TearDown() override { qApp->setStyleSheet(QString()); }

    static int Calls(const std::string& libraryPath) {
        void* h = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h == nullptr) return -1;  // not loaded at all
        auto count = reinterpret_cast<CountFn>(dlsym(h, "VeltoAttachCount"));
        int n = count ? count() : -2;
        dlclose(h);  // only the reference taken here
        return n;
    }
    std::string Path() { return GbkToUtf8Bytes(App().SkinLibraryPath.get().str()); }

    TempDir run, system, other;
};

// First in this file: nothing has redirected the system folder yet.
TEST(SkinSystemFolderTest, IsTheInstallPrefixLibraryFolder) {
    EXPECT_EQ(SystemFolder(), std::string(QINGLAN_DEFAULT_SYSTEM_FOLDER));
    SetSystemFolder("/some/where");
    EXPECT_EQ(SystemFolder(), "/some/where/");
}

TEST_F(SkinTest, TheEmbeddedSkinIsOurStyleSheetOf3482Bytes) {
    ASSERT_EQ(EmbeddedSkinSize(), 3482);
    std::string skin(reinterpret_cast<const char*>(EmbeddedSkin()), 3482);
    EXPECT_EQ(skin.rfind("/* qinglan-skin 1 */", 0), 0u);
    EXPECT_EQ(skin.find('\0'), std::string::npos);
    EXPECT_EQ(skin, test::ReadFile(std::string(QINGLAN_SOURCE_DIR) + "/resources/skin.qss"));
}

TEST_F(SkinTest, LookupPrecedence) {
    const std::string candidate = other / "chosen.dll";
    struct Case {
        const char* what;
        bool candidateExists, inRun, inSystem;
        std::string expected;
    };
    const Case cases[] = {
        {"existing candidate wins", true, true, true, candidate},
        {"system folder before run directory", false, true, true, system / "VELTO.dll"},
        {"system folder alone", false, false, true, system / "VELTO.dll"},
        {"run directory alone", false, true, false, run / "VELTO.dll"},
        {"none: the trimmed candidate", false, false, false, candidate},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(candidate);
        std::filesystem::remove(run / "VELTO.dll");
        std::filesystem::remove(system / "VELTO.dll");
        if (c.candidateExists) CopyInto(VELTO_COUNTING_PATH, other.path(), "chosen.dll");
        if (c.inRun) CopyInto(VELTO_COUNTING_PATH, run.path());
        if (c.inSystem) CopyInto(VELTO_COUNTING_PATH, system.path());
        LocateSkinLibrary(Text("  " + candidate + "  "));
        EXPECT_EQ(Path(), c.expected) << c.what;
    }
}

TEST_F(SkinTest, EmptyCandidateAtStartUp) {
    LocateSkinLibrary("");
    EXPECT_EQ(Path(), "");
    CopyInto(VELTO_COUNTING_PATH, run.path());
    LocateSkinLibrary("");
    EXPECT_EQ(Path(), run / "VELTO.dll");
}

TEST_F(SkinTest, AFolderIsNotALibrary) {
    std::filesystem::create_directories(run / "VELTO.dll");
    LocateSkinLibrary("");
    EXPECT_EQ(Path(), "");
    EXPECT_FALSE(FileExists(run / "VELTO.dll"));
}

TEST_F(SkinTest, FunctionAvailability) {
    CopyInto(VELTO_COUNTING_PATH, run.path(), "good.dll");
    CopyInto(NO_SKIN_FUNCTION_PATH, run.path(), "without.dll");
    ASSERT_TRUE(test::WriteFile(run / "garbage.dll", "MZ this is no library"));
    struct Case { std::string path; bool available; };
    const Case cases[] = {
        {run / "good.dll", true},
        {run / "without.dll", false},
        {run / "garbage.dll", false},
        {run / "missing.dll", false},
        {"", false},
    };
    for (const Case& c : cases) {
        App().SkinLibraryPath.set(Text(c.path));
        EXPECT_EQ(SkinFunctionAvailable("SkinH_AttachRes"), c.available) << c.path;
        if (c.available) EXPECT_FALSE(SkinFunctionAvailable("NoSuchFunction"));
    }
    // A library without the function: ApplySkin calls nothing and says so.
    App().SkinLibraryPath.set(Text(run / "without.dll"));
    EXPECT_FALSE(ApplySkin());
}

TEST_F(SkinTest, ApplySkinCallsTheLibraryOnceEachTimeAndStylesTheApplication) {
    CopyInto(VELTO_COUNTING_PATH, run.path());
    LocateSkinLibrary(Text(run / "VELTO.dll"));
    EXPECT_EQ(Calls(run / "VELTO.dll"), -1) << "locating does not load";
    EXPECT_TRUE(ApplySkin());
    EXPECT_EQ(Calls(run / "VELTO.dll"), 1);
    EXPECT_EQ(qApp->styleSheet().toUtf8().toStdString(),
              std::string(reinterpret_cast<const char*>(EmbeddedSkin()), 3482));
    EXPECT_TRUE(ApplySkin());
    EXPECT_EQ(Calls(run / "VELTO.dll"), 2);
}

TEST_F(SkinTest, TheLoadedLibraryIsTheOneAtThePathFoundFirst) {
    CopyInto(VELTO_COUNTING_PATH, run.path());
    CopyInto(VELTO_COUNTING_PATH, system.path());
    LocateSkinLibrary(Text(run / "absent.dll"));
    EXPECT_TRUE(ApplySkin());
    EXPECT_EQ(Calls(system / "VELTO.dll"), 1);
    EXPECT_EQ(Calls(run / "VELTO.dll"), -1);
}

TEST_F(SkinTest, TheLibraryRefusesDataItCannotUse) {
    void* h = dlopen(VELTO_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr) << dlerror();
    auto attach = reinterpret_cast<AttachFn>(dlsym(h, "SkinH_AttachRes"));
    ASSERT_NE(attach, nullptr);
    EXPECT_EQ(dlsym(h, "VeltoAttachCount"), nullptr) << "the shipped library does not count";

    std::string good(reinterpret_cast<const char*>(EmbeddedSkin()), 3482);
    std::string foreign = good;
    foreign.replace(0, 20, "/* somebody's skin */");
    foreign.resize(3482);
    std::string withZero = good;
    withZero[100] = '\0';
    std::string badUtf8 = good;
    badUtf8[100] = '\xff';
    auto bytes = [](const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); };
    struct Case { const char* what; const unsigned char* data; int size; bool ok; };
    const Case cases[] = {
        {"ours", bytes(good), 3482, true},
        {"null", nullptr, 3482, false},
        {"short", bytes(good), 3481, false},
        {"negative", bytes(good), -1, false},
        {"foreign header", bytes(foreign), 3482, false},
        {"zero byte", bytes(withZero), 3482, false},
        {"not UTF-8", bytes(badUtf8), 3482, false},
    };
    for (const Case& c : cases) {
        qApp->setStyleSheet(QString());
        int r = attach(c.data, c.size, nullptr, 0, 0, 0);
        EXPECT_EQ(r == 0, c.ok) << c.what << " -> " << r;
        EXPECT_EQ(qApp->styleSheet().isEmpty(), !c.ok) << c.what;
    }
    dlclose(h);
}

TEST_F(SkinTest, TheSkinChangesHowWidgetsLook) {
    QLineEdit plain;
    plain.resize(120, 24);
    QImage before = plain.grab().toImage();
    CopyInto(VELTO_PATH, run.path());
    LocateSkinLibrary(Text(run / "VELTO.dll"));
    ASSERT_TRUE(ApplySkin());
    QImage after = plain.grab().toImage();
    EXPECT_NE(before, after);
    // The skinned edit box: a white field inside a soft grey-blue border.
    EXPECT_EQ(after.pixelColor(60, 12), QColor(255, 255, 255));
}

}  // namespace
}  // namespace ql
