#include "desktop/windows/product_info/product_info.h"

#include <windows.h>

#include <optional>
#include <utility>

#include "base/json/json_reader.h"
#include "base/logging.h"

namespace product_info {

namespace {

constexpr wchar_t kResourceType[] = L"TXT";
constexpr WORD kResourceId = 133;
// A module of the browser installation that carries the same description.
constexpr wchar_t kFallbackModule[] = L"_ulvautolib.pyd";

constexpr char kProductNameKey[] = "product_name";
constexpr char kDefaultProfilePathTemplateKey[] =
    "default_profile_path_template";

struct ProductInfoState {
  bool parsed = false;
  base::Value dictionary = base::Value::object();
  std::function<std::string()> reader_for_testing;
};

// A function-local static: created on first use and destroyed by the run
// time's exit processing, after everything that could still ask for it.
ProductInfoState& State() {
  static ProductInfoState state;
  return state;
}

bool ReadResourceFrom(HMODULE module, std::string* text) {
  HRSRC resource =
      FindResourceW(module, MAKEINTRESOURCEW(kResourceId), kResourceType);
  if (!resource)
    return false;
  HGLOBAL loaded = LoadResource(module, resource);
  if (!loaded)
    return false;
  const void* data = LockResource(loaded);
  if (!data)
    return false;
  text->assign(static_cast<const char*>(data),
               SizeofResource(module, resource));
  return true;
}

}  // namespace

std::string ReadProductInfoResource() {
  std::string text;
  if (ReadResourceFrom(nullptr, &text))
    return text;
  // Never freed: the description may be read again, and unloading a module
  // of the browser installation buys nothing.
  HMODULE module = LoadLibraryW(kFallbackModule);
  if (!module) {
    PLOG(ERROR) << "No product description built in, and "
                << "_ulvautolib.pyd could not be loaded";
    return std::string();
  }
  if (!ReadResourceFrom(module, &text))
    LOG(ERROR) << "_ulvautolib.pyd holds no product description";
  return text;
}

void ParseProductInfo() {
  ProductInfoState& state = State();
  const std::string text = state.reader_for_testing ? state.reader_for_testing()
                                                    : ReadProductInfoResource();
  std::optional<base::Value> value = base::JSONReader::Read(text);
  if (value && value->is_object()) {
    state.dictionary = std::move(*value);
    return;
  }
  // Nobody can do without the description, so an absent or broken one reads
  // as a description without keys rather than stopping the program.
  if (!text.empty())
    LOG(ERROR) << "The product description is not a JSON object";
  state.dictionary = base::Value::object();
}

const base::Value* GetProductInfo() {
  ProductInfoState& state = State();
  if (!state.parsed) {
    state.parsed = true;
    ParseProductInfo();
  }
  return &state.dictionary;
}

std::string GetProductInfoString(std::string_view key) {
  std::string value;
  if (!base::GetStringAt(*GetProductInfo(), key, &value))
    return std::string();
  return value;
}

std::string GetProductName() {
  return GetProductInfoString(kProductNameKey);
}

std::string GetDefaultProfilePathTemplate() {
  return GetProductInfoString(kDefaultProfilePathTemplateKey);
}

ReleaseStream GetStream() {
  return RELEASE_STREAM_STABLE;
}

std::string GetStreamName() {
  return "Stable";
}

std::string GetReleaseStreamName(int stream) {
  switch (stream) {
    case RELEASE_STREAM_NIGHTLY:
      return "Nightly";
    case RELEASE_STREAM_DEVELOPER:
      return "Developer";
    case RELEASE_STREAM_NEXT:
      return "Next";
    case RELEASE_STREAM_STABLE:
      return "Stable";
  }
  return GetStreamName();
}

std::string GetInternalStreamName() {
  return GetReleaseStreamName(GetStream());
}

void SetProductInfoReaderForTesting(std::function<std::string()> reader) {
  ProductInfoState& state = State();
  state.reader_for_testing = std::move(reader);
  state.parsed = false;
  state.dictionary = base::Value::object();
}

}  // namespace product_info
