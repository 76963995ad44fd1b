#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace talvex::api {

// Why a computation gave no result: the text the program shows for it ("Analytical simulation
// Error: Overflow! Please try again by other initial values.").
struct Error {
    std::string message;
    std::vector<std::string> earlier;  // what the engine told before it failed, in order
};

// A value or the error that prevented it.
template <typename T>
class Expected {
  public:
    Expected(T value) : v_(std::move(value)) {}
    Expected(Error error) : v_(std::move(error)) {}
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<0>(v_); }
    T& value() & { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(v_); }

  private:
    std::variant<T, Error> v_;
};

}  // namespace talvex::api
