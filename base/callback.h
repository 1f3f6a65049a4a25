#ifndef BASE_CALLBACK_H_
#define BASE_CALLBACK_H_

#include <functional>

namespace base {

using Closure = std::function<void()>;
using OnceClosure = std::function<void()>;

}  // namespace base

#endif  // BASE_CALLBACK_H_
