#pragma once
// Counts calls by kind and picks the n-th one, of one kind or of all, for a
// fault-injecting test double to fail.
#include <array>
#include <cstddef>
#include <optional>

namespace sonavex::test {

template <typename Kind, std::size_t kKinds>
class NthCall {
 public:
  // The n-th call (from 1) of `kind`, or of every kind when none is given;
  // 0 picks none.
  void Choose(int n, std::optional<Kind> kind) {
    chosen_ = n;
    kind_ = kind;
  }
  int Count(std::optional<Kind> kind) const {
    return kind ? counts_[static_cast<std::size_t>(*kind)] : total_;
  }
  bool fired() const { return fired_; }

  // Counts one call; true when it is the chosen one.
  bool Hit(Kind kind) {
    ++total_;
    const int count = ++counts_[static_cast<std::size_t>(kind)];
    if (fired_ || chosen_ == 0 || (kind_ && *kind_ != kind)) return false;
    fired_ = (kind_ ? count : total_) == chosen_;
    return fired_;
  }

 private:
  std::array<int, kKinds> counts_{};
  int total_ = 0;
  int chosen_ = 0;
  std::optional<Kind> kind_;
  bool fired_ = false;
};

}  // namespace sonavex::test
