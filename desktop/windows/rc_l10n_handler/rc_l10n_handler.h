#ifndef DESKTOP_WINDOWS_RC_L10N_HANDLER_RC_L10N_HANDLER_H_
#define DESKTOP_WINDOWS_RC_L10N_HANDLER_RC_L10N_HANDLER_H_

#include <windows.h>

#include <string>
#include <vector>

namespace base {
template <typename Type>
class Singleton;
}

// The notifier's user-interface texts, kept as string tables of the program
// in every language it carries. The language is chosen once at start-up; every
// text is then looked up in it by string id.
class RcL10nHandler {
 public:
  static RcL10nHandler* GetInstance();

  RcL10nHandler(const RcL10nHandler&) = delete;
  RcL10nHandler& operator=(const RcL10nHandler&) = delete;

  // Chooses the language: |language| when the program carries it, else the
  // first of the system's preferred UI languages that it carries (as given,
  // then with its region folded into one the program may know), else English.
  // Returns the language id of the choice.
  LANGID Init(const std::wstring& language);

  // The text of string |id| in the chosen language; empty on failure.
  std::wstring GetString(UINT id) const;

  LANGID language_id() const { return language_id_; }

  // Tests only: the system's preferred UI languages come from |source|
  // instead of the thread's list (null restores the system's).
  using PreferredLanguagesSource = bool (*)(std::vector<std::wstring>*);
  static void SetPreferredLanguagesSourceForTesting(
      PreferredLanguagesSource source);

 private:
  friend class base::Singleton<RcL10nHandler>;

  RcL10nHandler();
  ~RcL10nHandler();

  LANGID language_id_ = 0;
};

// Maps codes that the browser spells after ISO 639 to the spelling of the
// language table ("no" to "nb", "pt" to "pt-PT", "tl" to "fil").
std::wstring ConvertFromIso639(const std::wstring& language);

// The codes listed in resource "TXT" 134 of the program, one per line.
std::vector<std::wstring> GetAvailableLanguages();

// Whether |language| is one of GetAvailableLanguages(), ignoring ASCII case.
// Codes holding anything beyond ASCII are never available.
bool IsLanguageAvailable(const std::wstring& language);

// The Windows language id of a code; 0 for an empty or unknown code.
LANGID GetLcidForLanguage(const std::wstring& language);

// The text of string |id| in |language| from the program's string tables;
// empty (and logged) when its block cannot be found, loaded or locked.
std::wstring LoadStringFromResource(LANGID language, UINT id);

// String |index| (0 to 15) of a string-table block of |size| WORDs: 16
// counted strings, each a length followed by that many UTF-16 units. Empty
// when the block ends before it.
std::wstring GetStringFromBlock(const WORD* block, size_t size, UINT index);

#endif  // DESKTOP_WINDOWS_RC_L10N_HANDLER_RC_L10N_HANDLER_H_
