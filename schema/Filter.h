// Filter expressions of the form the steps use: comparisons of a bracketed field with a
// quoted text or a number, joined with "and"/"or", in parentheses:
//   ([Mode] = 'X102') or ([Mode] = 'X602No')      [FormNo] = 15100
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "schema/TableSchema.h"
#include "schema/Value.h"

namespace kvt {

class Filter {
 public:
  // Throws EngineError(Unsupported) for text it cannot parse.
  static Filter parse(const std::string& expression);
  // Throws EngineError(MissingField) for a field the table lacks.
  bool matches(const TableSchema& schema, const Row& row) const;
  // Throws EngineError(MissingField) when the expression names a field the table lacks.
  void check(const TableSchema& schema) const;
  // For an expression that is one comparison of a field with an integer, "[FormNo] = 15100"
  // (either way round): the field's name and the integer.
  std::optional<std::pair<std::string, int64_t>> fieldEqualsInteger() const;
  // The expression as given.
  const std::string& text() const { return text_; }

  struct Node;

 private:
  std::shared_ptr<const Node> root_;
  std::string text_;
};

}  // namespace kvt
