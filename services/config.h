// Addresses and keys of the three web services. Compiled in with loopback defaults (the local
// services); each can be overridden by an environment variable read when the values are first used.
#pragma once

#include "web/text.h"

namespace ql {

// Compiled-in defaults.
inline constexpr const char kDefaultOcrServiceBase[] = "http://127.0.0.1:17650";
inline constexpr const char kDefaultImageHostBase[] = "http://127.0.0.1:17650";
inline constexpr const char kDefaultTranslateServiceBase[] = "http://127.0.0.1:17650";
inline constexpr const char kDefaultOcrApiKey[] = "Qd7nWk2LrPz9XbTc4HsVf6Jm";
inline constexpr const char kDefaultOcrSecretKey[] = "h3KpZr8NwT5qLx2VbY7cMd9FsJ4gRn6E";
inline constexpr const char kDefaultTranslateAppId[] = "30457182964015326";
inline constexpr const char kDefaultTranslateSignKey[] = "Tz4Rb_9WqKm2NsYd7LcX";

struct ServiceConfig {
    Text OcrServiceBase;        // scheme + host[:port], no trailing slash
    Text ImageHostBase;         // scheme + host[:port], no trailing slash
    Text TranslateServiceBase;  // scheme + host[:port], no trailing slash
    Text OcrApiKey;
    Text OcrSecretKey;
    Text TranslateAppId;
    Text TranslateSignKey;      // signs translation requests; never sent
};

// The compiled-in defaults, each replaced by its environment variable when that is set and non-empty:
// QINGLAN_OCR_BASE, QINGLAN_IMAGE_HOST_BASE, QINGLAN_TRANSLATE_BASE, QINGLAN_OCR_API_KEY,
// QINGLAN_OCR_SECRET_KEY, QINGLAN_TRANSLATE_APP_ID, QINGLAN_TRANSLATE_SIGN_KEY.
ServiceConfig ServiceConfigFromEnvironment();

// The values in use. Loaded from the environment on first use; SetServiceConfig replaces them
// (tests, benchmarks). Safe from any thread.
ServiceConfig CurrentServiceConfig();
void SetServiceConfig(const ServiceConfig& config);

// Single values of the configuration in use.
Text OcrServiceBase();
Text ImageHostBase();
Text TranslateServiceBase();
Text OcrApiKey();
Text OcrSecretKey();
Text TranslateAppId();
Text TranslateSignKey();

}  // namespace ql
