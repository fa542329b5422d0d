// A filter is parsed once into a small tree and evaluated per row.
//
//   expression := conjunction { "or" conjunction }
//   conjunction := negation { "and" negation }
//   negation   := "not" negation | "(" expression ")" | operand op operand
//   operand    := "[" field "]" | field | 'text' | "text" | number
//   op         := "=" | "<>" | "<" | ">" | "<=" | ">="
//
// A quote inside a quoted text is written twice. Keywords ignore letter case; field names
// do not. Text compares by its bytes, letter case included; a blank field reads as an empty
// text and, against a number, sorts below every number.
#include "schema/Filter.h"

#include <cctype>
#include <vector>

#include "schema/EngineError.h"
#include "schema/NumberText.h"

namespace kvt {

struct Filter::Node {
  enum class Kind { Or, And, Not, Compare };
  enum class Op { Eq, Ne, Lt, Gt, Le, Ge };
  struct Operand {
    bool isField = false;
    std::string field;
    Value literal;
  };

  Kind kind = Kind::Compare;
  std::vector<std::shared_ptr<const Node>> children;
  Op op = Op::Eq;
  Operand left, right;
};

namespace {

using Node = Filter::Node;

struct Token {
  enum class Kind { End, LParen, RParen, Field, Word, Text, Number, Op };
  Kind kind = Kind::End;
  std::string text;  // field name, word, text literal, number or operator as written
};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class Parser {
 public:
  explicit Parser(const std::string& src) : src_(src) { advance(); }

  std::shared_ptr<const Node> parseAll() {
    auto root = expression();
    if (tok_.kind != Token::Kind::End) fail("unexpected \"" + tok_.text + "\"");
    return root;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw EngineError(ErrorKind::Unsupported, "Filter " + src_ + ": " + why);
  }

  bool isWord(const char* w) const {
    return tok_.kind == Token::Kind::Word && lower(tok_.text) == w;
  }

  void advance() {
    while (at_ < src_.size() && std::isspace(static_cast<unsigned char>(src_[at_]))) ++at_;
    tok_ = {};
    if (at_ >= src_.size()) return;
    const char c = src_[at_];
    if (c == '(' || c == ')') {
      tok_ = {c == '(' ? Token::Kind::LParen : Token::Kind::RParen, std::string(1, c)};
      ++at_;
    } else if (c == '[') {
      const size_t close = src_.find(']', at_ + 1);
      if (close == std::string::npos) fail("a field name without \"]\"");
      tok_ = {Token::Kind::Field, src_.substr(at_ + 1, close - at_ - 1)};
      at_ = close + 1;
    } else if (c == '\'' || c == '"') {
      std::string text;
      size_t i = at_ + 1;
      for (;; ++i) {
        if (i >= src_.size()) fail("a text without its closing quote");
        if (src_[i] == c) {
          if (i + 1 < src_.size() && src_[i + 1] == c) {
            text += c;
            ++i;
            continue;
          }
          break;
        }
        text += src_[i];
      }
      tok_ = {Token::Kind::Text, std::move(text)};
      at_ = i + 1;
    } else if (c == '=' || c == '<' || c == '>') {
      std::string op(1, c);
      if (at_ + 1 < src_.size()) {
        const char d = src_[at_ + 1];
        if ((c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '=')) op += d;
      }
      tok_ = {Token::Kind::Op, op};
      at_ += op.size();
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
      size_t i = at_ + 1;
      while (i < src_.size() &&
             (std::isalnum(static_cast<unsigned char>(src_[i])) || src_[i] == '.' ||
              ((src_[i] == '-' || src_[i] == '+') && (src_[i - 1] == 'e' || src_[i - 1] == 'E')))) {
        ++i;
      }
      tok_ = {Token::Kind::Number, src_.substr(at_, i - at_)};
      at_ = i;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t i = at_ + 1;
      while (i < src_.size() &&
             (std::isalnum(static_cast<unsigned char>(src_[i])) || src_[i] == '_')) {
        ++i;
      }
      tok_ = {Token::Kind::Word, src_.substr(at_, i - at_)};
      at_ = i;
    } else {
      fail(std::string("unexpected \"") + c + "\"");
    }
  }

  std::shared_ptr<const Node> joined(Node::Kind kind, const char* word,
                                     std::shared_ptr<const Node> (Parser::*part)()) {
    auto first = (this->*part)();
    if (!isWord(word)) return first;
    auto node = std::make_shared<Node>();
    node->kind = kind;
    node->children.push_back(std::move(first));
    while (isWord(word)) {
      advance();
      node->children.push_back((this->*part)());
    }
    return node;
  }

  std::shared_ptr<const Node> expression() {
    return joined(Node::Kind::Or, "or", &Parser::conjunction);
  }
  std::shared_ptr<const Node> conjunction() {
    return joined(Node::Kind::And, "and", &Parser::negation);
  }

  std::shared_ptr<const Node> negation() {
    if (isWord("not")) {
      advance();
      auto node = std::make_shared<Node>();
      node->kind = Node::Kind::Not;
      node->children.push_back(negation());
      return node;
    }
    if (tok_.kind == Token::Kind::LParen) {
      advance();
      auto inner = expression();
      if (tok_.kind != Token::Kind::RParen) fail("a \"(\" without \")\"");
      advance();
      return inner;
    }
    auto node = std::make_shared<Node>();
    node->left = operand();
    if (tok_.kind != Token::Kind::Op) fail("a comparison without its operator");
    static const std::pair<const char*, Node::Op> kOps[] = {
        {"=", Node::Op::Eq}, {"<>", Node::Op::Ne}, {"<", Node::Op::Lt},
        {">", Node::Op::Gt}, {"<=", Node::Op::Le}, {">=", Node::Op::Ge}};
    for (const auto& [text, op] : kOps) {
      if (tok_.text == text) node->op = op;
    }
    advance();
    node->right = operand();
    if (!node->left.isField && !node->right.isField) fail("a comparison without a field");
    return node;
  }

  Node::Operand operand() {
    Node::Operand o;
    switch (tok_.kind) {
      case Token::Kind::Field:
        o.isField = true;
        o.field = tok_.text;
        break;
      case Token::Kind::Word:
        if (isWord("and") || isWord("or") || isWord("not")) fail("a missing operand");
        o.isField = true;
        o.field = tok_.text;
        break;
      case Token::Kind::Text:
        o.literal = Value(tok_.text);
        break;
      case Token::Kind::Number:
        if (auto i = parseInteger(tok_.text)) {
          o.literal = Value(*i);
        } else if (auto d = parseNumber(tok_.text)) {
          o.literal = Value(*d);
        } else {
          fail("\"" + tok_.text + "\" is not a number");
        }
        break;
      default:
        fail("a missing operand");
    }
    advance();
    return o;
  }

  const std::string& src_;
  size_t at_ = 0;
  Token tok_;
};

bool isNumeric(const Value& v) {
  return v.isInt() || v.isFloat() || v.isBool() || v.get<Decimal>() != nullptr;
}

// <0, 0, >0 for two operand values (see the file comment).
int compareOperands(const Value& a, const Value& b) {
  const auto three = [](auto x, auto y) { return x < y ? -1 : x > y ? 1 : 0; };
  if (a.isNull() && b.isNull()) return 0;
  if (a.isNull() || b.isNull()) {
    const Value& other = a.isNull() ? b : a;
    const int nullSide = a.isNull() ? -1 : 1;
    if (isNumeric(other)) return nullSide;
    return other.asString().empty() ? 0 : nullSide;
  }
  if (a.isInt() && b.isInt()) return three(*a.get<int64_t>(), *b.get<int64_t>());
  const bool na = isNumeric(a), nb = isNumeric(b);
  if (na || nb) {
    std::optional<double> x = na ? std::optional(a.asFloat()) : parseNumber(a.asString());
    std::optional<double> y = nb ? std::optional(b.asFloat()) : parseNumber(b.asString());
    if (x && y) return three(*x, *y);
  }
  return three(a.asString().compare(b.asString()), 0);
}

const Value& operandValue(const Node::Operand& o, const TableSchema& schema, const Row& row) {
  if (!o.isField) return o.literal;
  const int pos = schema.fieldIndex(o.field);
  if (pos < 0 || size_t(pos) >= row.size()) {
    throw EngineError(ErrorKind::MissingField, "Field '" + o.field + "' not found");
  }
  return row[pos];
}

bool evaluate(const Node& n, const TableSchema& schema, const Row& row) {
  switch (n.kind) {
    case Node::Kind::Or:
      for (const auto& c : n.children) {
        if (evaluate(*c, schema, row)) return true;
      }
      return false;
    case Node::Kind::And:
      for (const auto& c : n.children) {
        if (!evaluate(*c, schema, row)) return false;
      }
      return true;
    case Node::Kind::Not:
      return !evaluate(*n.children.front(), schema, row);
    case Node::Kind::Compare:
      break;
  }
  const int c =
      compareOperands(operandValue(n.left, schema, row), operandValue(n.right, schema, row));
  switch (n.op) {
    case Node::Op::Eq:
      return c == 0;
    case Node::Op::Ne:
      return c != 0;
    case Node::Op::Lt:
      return c < 0;
    case Node::Op::Gt:
      return c > 0;
    case Node::Op::Le:
      return c <= 0;
    case Node::Op::Ge:
      return c >= 0;
  }
  return false;
}

void checkFields(const Node& n, const TableSchema& schema) {
  for (const auto& c : n.children) checkFields(*c, schema);
  for (const Node::Operand* o : {&n.left, &n.right}) {
    if (o->isField && schema.fieldIndex(o->field) < 0) {
      throw EngineError(ErrorKind::MissingField, "Field '" + o->field + "' not found");
    }
  }
}

}  // namespace

Filter Filter::parse(const std::string& expression) {
  Filter f;
  f.text_ = expression;
  // An empty expression lets every row pass.
  if (expression.find_first_not_of(" \t\r\n") != std::string::npos) {
    f.root_ = Parser(f.text_).parseAll();
  }
  return f;
}

bool Filter::matches(const TableSchema& schema, const Row& row) const {
  return !root_ || evaluate(*root_, schema, row);
}

std::optional<std::pair<std::string, int64_t>> Filter::fieldEqualsInteger() const {
  if (!root_ || root_->kind != Node::Kind::Compare || root_->op != Node::Op::Eq) {
    return std::nullopt;
  }
  for (const auto& [field, number] :
       {std::pair(&root_->left, &root_->right), std::pair(&root_->right, &root_->left)}) {
    if (!field->isField || number->isField) continue;
    if (const int64_t* n = number->literal.get<int64_t>()) return std::pair(field->field, *n);
  }
  return std::nullopt;
}

void Filter::check(const TableSchema& schema) const {
  if (root_) checkFields(*root_, schema);
}

}  // namespace kvt
