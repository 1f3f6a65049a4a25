#ifndef BASE_LOCATION_H_
#define BASE_LOCATION_H_

namespace base {

// Where a task was posted from; kept for log and debugging output only.
class Location {
 public:
  constexpr Location(const char* function_name, const char* file_name, int line)
      : function_name_(function_name), file_name_(file_name), line_(line) {}

  const char* function_name() const { return function_name_; }
  const char* file_name() const { return file_name_; }
  int line_number() const { return line_; }

 private:
  const char* function_name_;
  const char* file_name_;
  int line_;
};

}  // namespace base

#define FROM_HERE ::base::Location(__func__, __FILE__, __LINE__)
#define FROM_HERE_WITH_EXPLICIT_FUNCTION(name) \
  ::base::Location(name, __FILE__, __LINE__)

#endif  // BASE_LOCATION_H_
