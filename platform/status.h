// Status: the outcome of one step as a value, the one shape in which a failure travels from the
// platform layer through the engine to the CLI and the desktop program (LevelDB's Status). A
// failure carries what kind it was, the file it concerns, the system's error number when the
// system refused, and, once a layer that knows the product has formed it (engine/messages.h),
// the message for the user, which names that file; callers show the message as it is and may
// act on the kind. Result<T> is a value, or the Status that says why there is none.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace vornalis {

struct [[nodiscard]] Status {
  enum class Code {
    kOk,
    kIo,             // a file could not be opened, read, written, created or renamed
    kFormat,         // the set's bytes are not what the format allows
    kRefused,        // the step would write outside the target, or through a link
    kNotFound,       // no stored file has that name
    kAmbiguous,      // more than one stored file answers to that name
    kNameTaken,      // a name the set needs holds another set's file, or anything not the set's
    kExists,         // a set of that name exists already
    kInUse,          // another program holds the set open, and may be storing into it
    kStopped,        // the user or a request to end stopped the work; nothing is wrong
    kNotWritable,    // the folder cannot be written: the set is read only
    kUntrusted,      // what a file says would lead outside its place (a name with a drive)
    kUnrecoverable,  // recovery data at hand cannot rebuild what is lost
    kRenamed,        // the file was made whole, but under another name than the one asked for
  };

  Code code = Code::kOk;
  std::string path;     // the file or folder it concerns
  int error = 0;        // the system's error number, 0 when the system did not refuse
  std::string message;  // for the user; empty until a layer that knows the product forms it
  // The step that failed wrote a new file (its bytes, its flush or its rename into place) that
  // is to take path's name; otherwise it read or opened path.
  bool writing = false;

  bool ok() const { return code == Code::kOk; }
  // The same failure about the file the user knows as path (a file's final name where the
  // failing step worked on its temporary one).
  Status For(std::string other_path) const {
    Status status = *this;
    status.path = std::move(other_path);
    return status;
  }
  // The same failure, of writing the new file that is to take the name path.
  Status Writing(std::string new_file_path) const {
    Status status = For(std::move(new_file_path));
    status.writing = true;
    return status;
  }
  static Status Ok() { return {}; }
  static Status Error(Code code, std::string path, std::string message) {
    return {code, std::move(path), 0, std::move(message), false};
  }
  // The system refused an operation on path with error (an errno value, or one of the
  // platform's own codes in file_system.h).
  static Status System(int error, std::string path) {
    return {Code::kIo, std::move(path), error, std::string(), false};
  }
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}          // NOLINT: a value is a successful result
  Result(Status status) : status_(std::move(status)) {}  // NOLINT: so is a failure's Status

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  // The system's error number of a failure, 0 on success.
  int error() const { return status_.error; }
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // Moves the value out; the result holds none afterwards.
  T take() {
    T value = std::move(*value_);
    value_.reset();
    return value;
  }

 private:
  std::optional<T> value_;
  Status status_;
};

// An owned object, or the Status that says why there is none.
template <typename T>
class [[nodiscard]] Result<std::unique_ptr<T>> {
 public:
  Result(std::unique_ptr<T> value) : value_(std::move(value)) {}  // NOLINT
  Result(Status status) : status_(std::move(status)) {}           // NOLINT

  bool ok() const { return value_ != nullptr; }
  const Status& status() const { return status_; }
  int error() const { return status_.error; }
  T* operator->() const { return value_.get(); }
  T& operator*() const { return *value_; }
  T* get() const { return value_.get(); }
  std::unique_ptr<T> take() { return std::move(value_); }

 private:
  std::unique_ptr<T> value_;
  Status status_;
};

}  // namespace vornalis
