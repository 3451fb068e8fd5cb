#pragma once
// Errors are values: every operation that can fail returns a Status or a Result<T>
// whose message is written for the user ("SP.txt holds 12 items; this form needs 35").

#include <QString>

#include <optional>
#include <utility>

namespace rt {

class Status {
 public:
  Status() = default;
  static Status ok() { return Status(); }
  static Status error(QString message) { return Status(std::move(message)); }

  bool isOk() const { return !failed_; }
  explicit operator bool() const { return isOk(); }
  const QString& message() const { return message_; }

 private:
  explicit Status(QString message) : failed_(true), message_(std::move(message)) {}
  bool failed_ = false;
  QString message_;
};

template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status error) : error_(std::move(error)) {}  // NOLINT
  static Result failure(QString message) { return Result(Status::error(std::move(message))); }

  bool isOk() const { return value_.has_value(); }
  explicit operator bool() const { return isOk(); }
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const { return *value_; }
  T& operator*() { return *value_; }
  const T* operator->() const { return &*value_; }
  const QString& message() const { return error_.message(); }
  Status status() const { return isOk() ? Status::ok() : error_; }

 private:
  std::optional<T> value_;
  Status error_;
};

}  // namespace rt
