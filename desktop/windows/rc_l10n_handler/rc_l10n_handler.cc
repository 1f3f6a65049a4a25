#include "desktop/windows/rc_l10n_handler/rc_l10n_handler.h"

#include <iterator>

#include "base/logging.h"
#include "base/memory/singleton.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/i18n.h"

namespace {

// Resource "TXT" 134: the languages the program carries.
constexpr int kAvailableLanguagesResourceId = 134;
constexpr wchar_t kTextResourceType[] = L"TXT";

constexpr UINT kStringsPerBlock = 16;

RcL10nHandler::PreferredLanguagesSource g_preferred_languages_source = nullptr;

struct LanguageCode {
  const wchar_t* code;
  LANGID id;
};

// Searched in this order; the first match wins.
constexpr LanguageCode kLanguageCodes[] = {
    {L"az", 1068},    {L"el", 1032},          {L"gu", 1095},
    {L"en", 1033},    {L"userdefault", 1024}, {L"fr-ca", 3084},
    {L"vi", 1066},    {L"ca", 1027},          {L"fake-bidi", 1037},
    {L"am", 1118},    {L"it", 1040},          {L"iw", 1037},
    {L"kn", 1099},    {L"zh-hk", 3076},       {L"ar", 1025},
    {L"ml", 1100},    {L"zu", 1077},          {L"cs", 1029},
    {L"et", 1061},    {L"gl", 1110},          {L"id", 1057},
    {L"es", 3082},    {L"en-gb", 2057},       {L"ru", 1049},
    {L"eu", 1069},    {L"nl", 1043},          {L"nn", 2068},
    {L"no", 1044},    {L"nb", 1044},          {L"af", 1078},
    {L"tr", 1055},    {L"tl", 1024},          {L"lv", 1062},
    {L"lt", 1063},    {L"pa", 1094},          {L"th", 1054},
    {L"te", 1098},    {L"ro", 1048},          {L"is", 1039},
    {L"fil", 1124},   {L"ta", 1097},          {L"be", 1059},
    {L"fr", 1036},    {L"bg", 1026},          {L"ms", 1086},
    {L"sl", 1060},    {L"hr", 1050},          {L"fy", 1122},
    {L"bn", 1093},    {L"de", 1031},          {L"hu", 1038},
    {L"fa", 1065},    {L"neutral", 0},        {L"hi", 1081},
    {L"pt-br", 1046}, {L"fi", 1035},          {L"da", 1030},
    {L"ja", 1041},    {L"kk", 1087},          {L"he", 1037},
    {L"me", 2074},    {L"es-419", 2058},      {L"ne", 1121},
    {L"pt-pt", 2070}, {L"zh-tw", 1028},       {L"uz", 1091},
    {L"ko", 1042},    {L"sv", 1053},          {L"mk", 1071},
    {L"ur", 1056},    {L"sk", 1051},          {L"zh-cn", 2052},
    {L"si", 1115},    {L"gd", 1169},          {L"pl", 1045},
    {L"uk", 1058},    {L"sr", 3098},          {L"ti", 2163},
    {L"mr", 1102},    {L"or", 1096},
};
static_assert(std::size(kLanguageCodes) == 80);

// Language codes are compared in ASCII, ignoring the case of A to Z only.
bool CodeEquals(const std::wstring& code, const wchar_t* literal) {
  return base::ToLowerASCII(code) == literal;
}

bool GetPreferredLanguages(std::vector<std::wstring>* languages) {
  if (g_preferred_languages_source)
    return g_preferred_languages_source(languages);
  return base::win::GetThreadPreferredUILanguageList(languages);
}

// Folds a region the program is unlikely to carry into the one it may:
// "es-MX" to "es-419", "zh-MO" to "zh-TW", "en-AU" to "en-GB" and so on.
std::wstring AdjustLanguage(const std::wstring& entry) {
  size_t dash = entry.find(L'-');
  if (dash == std::wstring::npos || dash == 0)
    return entry;
  std::wstring primary = entry.substr(0, dash);
  std::wstring region = entry.substr(dash + 1);
  if (CodeEquals(primary, L"es"))
    return CodeEquals(region, L"es") ? primary : primary + L"-419";
  if (CodeEquals(primary, L"zh")) {
    return CodeEquals(region, L"hk") || CodeEquals(region, L"mo")
               ? primary + L"-TW"
               : primary + L"-CN";
  }
  if (CodeEquals(primary, L"en")) {
    return CodeEquals(region, L"au") || CodeEquals(region, L"ca") ||
                   CodeEquals(region, L"nz") || CodeEquals(region, L"za")
               ? primary + L"-GB"
               : primary + L"-US";
  }
  if (CodeEquals(primary, L"no"))
    return L"nb";
  if (CodeEquals(primary, L"fil"))
    return L"tl";
  return primary;
}

}  // namespace

// static
RcL10nHandler* RcL10nHandler::GetInstance() {
  return base::Singleton<RcL10nHandler>::get();
}

RcL10nHandler::RcL10nHandler() = default;
RcL10nHandler::~RcL10nHandler() = default;

// static
void RcL10nHandler::SetPreferredLanguagesSourceForTesting(
    PreferredLanguagesSource source) {
  g_preferred_languages_source = source;
}

LANGID RcL10nHandler::Init(const std::wstring& requested) {
  std::wstring language = ConvertFromIso639(requested);
  VLOG(1) << "Language converted from ISO631:" << language;
  if (!IsLanguageAvailable(language)) {
    LOG(INFO) << "Language not in the available languages list: " << language;
    std::vector<std::wstring> preferred;
    GetPreferredLanguages(&preferred);
    bool found = false;
    for (const std::wstring& entry : preferred) {
      language = entry;
      LOG(INFO) << "Trying language from system preferred list: " << language;
      if (IsLanguageAvailable(language)) {
        found = true;
        break;
      }
      language = AdjustLanguage(entry);
      LOG(INFO) << "Retrying after adjustments: " << language;
      if (IsLanguageAvailable(language)) {
        found = true;
        break;
      }
    }
    if (!found) {
      language = L"en";
      LOG(WARNING) << "Falling back to english";
    }
  }
  language_id_ = GetLcidForLanguage(language);
  return language_id_;
}

std::wstring RcL10nHandler::GetString(UINT id) const {
  return LoadStringFromResource(language_id_, id);
}

std::wstring ConvertFromIso639(const std::wstring& language) {
  if (CodeEquals(language, L"no"))
    return L"nb";
  if (CodeEquals(language, L"pt"))
    return L"pt-PT";
  if (CodeEquals(language, L"tl"))
    return L"fil";
  return language;
}

std::vector<std::wstring> GetAvailableLanguages() {
  std::vector<std::wstring> languages;
  HRSRC resource =
      ::FindResourceW(nullptr, MAKEINTRESOURCEW(kAvailableLanguagesResourceId),
                      kTextResourceType);
  if (!resource)
    return languages;
  HGLOBAL loaded = ::LoadResource(nullptr, resource);
  const char* data =
      loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
  if (!data)
    return languages;
  DWORD size = ::SizeofResource(nullptr, resource);
  // The list is ASCII: each byte widens to one character.
  std::wstring text(data, data + size);
  size_t start = 0;
  while (true) {
    size_t end = text.find(L'\n', start);
    languages.push_back(base::TrimWhitespace(std::wstring_view(text).substr(
        start, end == std::wstring::npos ? std::wstring::npos : end - start)));
    if (end == std::wstring::npos)
      break;
    start = end + 1;
  }
  return languages;
}

bool IsLanguageAvailable(const std::wstring& language) {
  if (!base::IsStringASCII(language))
    return false;
  for (const std::wstring& available : GetAvailableLanguages()) {
    if (base::EqualsCaseInsensitiveASCII(language, available))
      return true;
  }
  return false;
}

LANGID GetLcidForLanguage(const std::wstring& language) {
  VLOG(1) << "Looking up LCID for " << language;
  if (language.empty())
    return 0;
  for (const LanguageCode& entry : kLanguageCodes) {
    if (CodeEquals(language, entry.code))
      return entry.id;
  }
  return 0;
}

std::wstring LoadStringFromResource(LANGID language, UINT id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC resource = ::FindResourceExW(
      module, RT_STRING, MAKEINTRESOURCEW(id / kStringsPerBlock + 1), language);
  if (!resource) {
    PLOG(ERROR) << "Failed to find string";
    return std::wstring();
  }
  HGLOBAL loaded = ::LoadResource(module, resource);
  if (!loaded) {
    PLOG(ERROR) << "Failed to load string";
    return std::wstring();
  }
  const WORD* entry = static_cast<const WORD*>(::LockResource(loaded));
  if (!entry) {
    PLOG(ERROR) << "Failed to lock string";
    return std::wstring();
  }
  return GetStringFromBlock(entry,
                            ::SizeofResource(module, resource) / sizeof(WORD),
                            id % kStringsPerBlock);
}

std::wstring GetStringFromBlock(const WORD* block, size_t size, UINT index) {
  // Offsets, not pointers: a damaged length must not move a pointer past
  // the end of the block, so each is checked against what is left first.
  size_t offset = 0;
  for (UINT skip = index; skip > 0; --skip) {
    if (offset >= size || block[offset] >= size - offset)
      return std::wstring();
    offset += 1 + block[offset];
  }
  if (offset >= size || block[offset] >= size - offset)
    return std::wstring();
  return std::wstring(reinterpret_cast<const wchar_t*>(block + offset + 1),
                      block[offset]);
}
