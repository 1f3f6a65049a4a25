#ifndef BASE_WIN_I18N_H_
#define BASE_WIN_I18N_H_

#include <string>
#include <vector>

namespace base {
namespace win {

// The preferred UI languages of the calling thread, most preferred first, as
// language names ("en-US"), with the user's and the system's fallbacks
// merged in. False when the system cannot tell.
bool GetThreadPreferredUILanguageList(std::vector<std::wstring>* languages);

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_I18N_H_
