// The offline translator of the local services: a small word and phrase dictionary, not machine
// translation. Chinese is matched longest entry first, English word by word (with short phrases and
// simple inflections); words it does not know are passed through unchanged.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ql::localsvc {

class Dictionary {
public:
    // The built-in dictionary (a few hundred common words and phrases).
    static const Dictionary& Builtin();

    struct Entry {
        const char* zh;
        const char* en;
    };
    explicit Dictionary(const std::vector<Entry>& entries);

    // Both take and give UTF-8; one segment (no line breaks expected).
    std::string ZhToEn(std::string_view text) const;
    std::string EnToZh(std::string_view text) const;

private:
    std::string LookupEnglishWord(const std::string& lower) const;
    const std::string* FindEn(const std::string& lower) const;

    std::map<std::u32string, std::string> zhToEn_;
    std::map<std::string, std::string> enToZh_;  // keys in lower case, phrases with single spaces
    size_t maxZhKey_ = 1;
    size_t maxEnWords_ = 1;
};

}  // namespace ql::localsvc
