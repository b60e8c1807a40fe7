#include "services/config.h"

#include <cstdlib>
#include <mutex>
#include <optional>

namespace ql {
namespace {

Text FromEnv(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return (v != nullptr && *v != '\0') ? Text(v) : Text(fallback);
}

std::mutex& ConfigMutex() {
    static std::mutex m;
    return m;
}

std::optional<ServiceConfig>& ConfigSlot() {
    static std::optional<ServiceConfig> slot;
    return slot;
}

}  // namespace

ServiceConfig ServiceConfigFromEnvironment() {
    ServiceConfig c;
    c.OcrServiceBase = FromEnv("QINGLAN_OCR_BASE", kDefaultOcrServiceBase);
    c.ImageHostBase = FromEnv("QINGLAN_IMAGE_HOST_BASE", kDefaultImageHostBase);
    c.TranslateServiceBase = FromEnv("QINGLAN_TRANSLATE_BASE", kDefaultTranslateServiceBase);
    c.OcrApiKey = FromEnv("QINGLAN_OCR_API_KEY", kDefaultOcrApiKey);
    c.OcrSecretKey = FromEnv("QINGLAN_OCR_SECRET_KEY", kDefaultOcrSecretKey);
    c.TranslateAppId = FromEnv("QINGLAN_TRANSLATE_APP_ID", kDefaultTranslateAppId);
    c.TranslateSignKey = FromEnv("QINGLAN_TRANSLATE_SIGN_KEY", kDefaultTranslateSignKey);
    return c;
}

ServiceConfig CurrentServiceConfig() {
    std::lock_guard<std::mutex> l(ConfigMutex());
    auto& slot = ConfigSlot();
    if (!slot) slot = ServiceConfigFromEnvironment();
    return *slot;
}

void SetServiceConfig(const ServiceConfig& config) {
    std::lock_guard<std::mutex> l(ConfigMutex());
    ConfigSlot() = config;
}

Text OcrServiceBase() { return CurrentServiceConfig().OcrServiceBase; }
Text ImageHostBase() { return CurrentServiceConfig().ImageHostBase; }
Text TranslateServiceBase() { return CurrentServiceConfig().TranslateServiceBase; }
Text OcrApiKey() { return CurrentServiceConfig().OcrApiKey; }
Text OcrSecretKey() { return CurrentServiceConfig().OcrSecretKey; }
Text TranslateAppId() { return CurrentServiceConfig().TranslateAppId; }
Text TranslateSignKey() { return CurrentServiceConfig().TranslateSignKey; }

}  // namespace ql
