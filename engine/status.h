// Status: the outcome of one engine step as a value. A failure carries what kind it was, the
// file it concerns and the message for the user, which already names that file; callers show
// the message as it is and may act on the kind (a refused link, a damaged entry).
#pragma once

#include <string>
#include <utility>

namespace vornalis {

struct Status {
  enum class Code {
    kOk,
    kIo,         // a file could not be opened, read, written, created or renamed
    kFormat,     // the set's bytes are not what the format allows
    kRefused,    // the step would write outside the target, or through a link
    kNotFound,   // no stored file has that name
    kAmbiguous,  // more than one stored file answers to that name
    kNameTaken,  // a name the set needs holds another set's file, or anything not the set's
    kExists,     // a set of that name exists already
    kInUse,      // another program is storing into the set
  };

  Code code = Code::kOk;
  std::string path;
  std::string message;

  bool ok() const { return code == Code::kOk; }
  static Status Ok() { return {}; }
  static Status Error(Code code, std::string path, std::string message) {
    return {code, std::move(path), std::move(message)};
  }
};

}  // namespace vornalis
