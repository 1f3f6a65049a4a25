#ifndef DESKTOP_WINDOWS_PRODUCT_INFO_PRODUCT_INFO_H_
#define DESKTOP_WINDOWS_PRODUCT_INFO_PRODUCT_INFO_H_

#include <functional>
#include <string>
#include <string_view>

#include "base/values.h"

// The description of the browser product these programs belong to: a JSON
// object built into each program as resource "TXT" 133, parsed on first use
// into one process-wide dictionary that lives until the process ends. Every
// caller runs on the program's main thread; nothing here takes a lock.
namespace product_info {

enum ReleaseStream {
  RELEASE_STREAM_NIGHTLY = 1,
  RELEASE_STREAM_DEVELOPER = 2,
  RELEASE_STREAM_NEXT = 3,
  RELEASE_STREAM_STABLE = 4,
};

// The bytes of resource "TXT" 133 of the running program or, when it has
// none, of the browser's module "_ulvautolib.pyd" (loaded by name and kept
// loaded). Empty when neither holds the resource.
std::string ReadProductInfoResource();

// Parses the description and keeps it as the product dictionary. A missing
// description, or one that is not a JSON object, leaves an empty dictionary
// so that every getter reads as absent.
void ParseProductInfo();

// The product dictionary, parsed on the first call only. Never null; owned
// by this module.
const base::Value* GetProductInfo();

// The string at a dotted path of the product dictionary, as UTF-8; empty
// when the path is missing or holds another type.
std::string GetProductInfoString(std::string_view key);

std::string GetProductName();
std::string GetDefaultProfilePathTemplate();

// The release stream of this build, and its name.
ReleaseStream GetStream();
std::string GetStreamName();

// The name of |stream| in the release-stream table; the name of this build's
// stream for a number outside it.
std::string GetReleaseStreamName(int stream);
// The name of GetStream(): what "{InternalStream}" stands for in the
// profile-folder template.
std::string GetInternalStreamName();

// Tests only: from now on the description is the text |reader| returns
// instead of the resource (a null reader restores the resource). The kept
// dictionary is dropped, so the next GetProductInfo() parses again.
void SetProductInfoReaderForTesting(std::function<std::string()> reader);

}  // namespace product_info

#endif  // DESKTOP_WINDOWS_PRODUCT_INFO_PRODUCT_INFO_H_
