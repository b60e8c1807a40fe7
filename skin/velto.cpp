// The skin library: SkinH_AttachRes applies the program's skin (a Qt style sheet of ours, handed over as
// bytes) to every widget of the calling application.
#include <QApplication>
#include <QByteArray>
#include <QStringDecoder>
#include <QThread>

#include <cstring>

namespace {

constexpr int kSkinSize = 3482;
constexpr char kSkinHeader[] = "/* qinglan-skin 1 */";

enum Result : int {
    Applied = 0,
    NoData = 1,
    WrongSize = 2,
    NotOurSkin = 3,
    NotText = 4,
    NoApplication = 5,
    WrongThread = 6,
};

#ifdef VELTO_COUNTING
int g_calls = 0;
#endif

}  // namespace

#define VELTO_EXPORT extern "C" __attribute__((visibility("default")))

// data/size: the skin; password and the three integers are accepted for the calling convention and unused.
VELTO_EXPORT int SkinH_AttachRes(const unsigned char* data, int size, const char* password, int, int, int) {
    (void)password;
#ifdef VELTO_COUNTING
    ++g_calls;
#endif
    if (data == nullptr) return NoData;
    if (size != kSkinSize) return WrongSize;
    const char* text = reinterpret_cast<const char*>(data);
    if (std::memcmp(text, kSkinHeader, sizeof kSkinHeader - 1) != 0) return NotOurSkin;
    if (std::memchr(text, 0, static_cast<size_t>(size)) != nullptr) return NotText;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString sheet = utf8.decode(QByteArrayView(text, size));
    if (utf8.hasError()) return NotText;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) return NoApplication;
    if (QThread::currentThread() != app->thread()) return WrongThread;
    app->setStyleSheet(sheet);
    return Applied;
}

#ifdef VELTO_COUNTING
// Test builds only: how many times SkinH_AttachRes was called since the library was loaded.
VELTO_EXPORT int VeltoAttachCount() { return g_calls; }
#endif
