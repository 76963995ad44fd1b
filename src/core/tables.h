#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/run_error.h"

// Fixed-size tables of the model, indexed exactly as the system indexes them (index 0 exists
// and is unused where the system says so). Every access is bounds-checked: an index outside the
// table raises "Subscript out of range" instead of touching memory it does not own.
namespace talvex {

template <typename T, int Size>
class Table1 {
  public:
    static constexpr int kSize = Size;
    T& operator()(int i) {
        Check(i);
        return data_[static_cast<std::size_t>(i)];
    }
    const T& operator()(int i) const {
        Check(i);
        return data_[static_cast<std::size_t>(i)];
    }
    static bool InRange(int i) { return i >= 0 && i < Size; }
    void Fill(const T& v) {
        for (auto& x : data_) x = v;
    }
    T* data() { return data_; }
    const T* data() const { return data_; }

  private:
    static void Check(int i) {
        if (i < 0 || i >= Size) Raise(ErrorCode::SubscriptOutOfRange);
    }
    T data_[Size]{};
};

// Rows 0..Rows-1, columns 0..Cols-1, stored row by row on the heap (the curve store is large).
template <typename T, int Rows, int Cols>
class Table2 {
  public:
    static constexpr int kRows = Rows;
    static constexpr int kCols = Cols;
    Table2() : data_(static_cast<std::size_t>(Rows) * Cols, T{}) {}
    T& operator()(int i, int j) {
        Check(i, j);
        return data_[static_cast<std::size_t>(i) * Cols + j];
    }
    const T& operator()(int i, int j) const {
        Check(i, j);
        return data_[static_cast<std::size_t>(i) * Cols + j];
    }
    static bool InRange(int i, int j) { return i >= 0 && i < Rows && j >= 0 && j < Cols; }
    void Fill(const T& v) { std::fill(data_.begin(), data_.end(), v); }

  private:
    static void Check(int i, int j) {
        if (i < 0 || i >= Rows || j < 0 || j >= Cols) Raise(ErrorCode::SubscriptOutOfRange);
    }
    std::vector<T> data_;
};

}  // namespace talvex
