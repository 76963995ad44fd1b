#pragma once

// A model value that remembers whether it was ever assigned. It reads as its value (0 until
// assigned) in every computation, but prints as nothing until a first assignment.

namespace talvex {

template <typename T>
class Assignable {
  public:
    constexpr Assignable() = default;
    constexpr Assignable(T v) : value_(v), assigned_(true) {}  // NOLINT: implicit on purpose

    constexpr Assignable& operator=(T v) {
        value_ = v;
        assigned_ = true;
        return *this;
    }
    constexpr operator T() const { return value_; }  // NOLINT: reads as a plain number

    constexpr T value() const { return value_; }
    constexpr bool assigned() const { return assigned_; }
    constexpr void Unassign() {
        value_ = T{};
        assigned_ = false;
    }

    constexpr Assignable& operator+=(T v) { return *this = static_cast<T>(value_ + v); }
    constexpr Assignable& operator-=(T v) { return *this = static_cast<T>(value_ - v); }
    constexpr Assignable& operator*=(T v) { return *this = static_cast<T>(value_ * v); }
    constexpr Assignable& operator/=(T v) { return *this = static_cast<T>(value_ / v); }

  private:
    T value_{};
    bool assigned_ = false;
};

}  // namespace talvex
