#include "page_assembly.h"

#include <cctype>
#include <set>

namespace page_assembly {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool is_word_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int line_of(const std::string& text, std::size_t offset) {
  int line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i)
    if (text[i] == '\n') ++line;
  return line;
}

// A "/" starts a regular expression when no value precedes it: at the start, after an
// operator or opening bracket, or after a keyword that takes an expression.
bool regex_may_start(const std::string& out, const std::string& last_word) {
  static const std::set<std::string> keywords = {"return", "typeof", "case", "do",   "else",
                                                 "in",     "of",     "new",  "delete", "void",
                                                 "throw",  "instanceof", "yield", "await"};
  std::size_t end = out.size();
  while (end > 0 && out[end - 1] == ' ') --end;
  if (end == 0) return true;
  char prev = out[end - 1];
  if (is_word_char(prev)) return keywords.count(last_word) > 0;
  return std::string("(,=:[!&|?{};+-*%<>~^").find(prev) != std::string::npos;
}

// Copies a quoted string or template literal starting at src[i]; a raw line break inside
// would change meaning once the script is folded onto one line, so it is refused.
bool copy_quoted(const std::string& src, std::size_t& i, std::string& out, std::string& error) {
  const char quote = src[i];
  std::size_t start = i;
  out += src[i++];
  while (i < src.size()) {
    char c = src[i];
    if (c == '\n') break;
    if (c == '\\') {
      if (i + 1 < src.size() && src[i + 1] == '\n') break;
      out += c;
      out += src[i + 1];
      i += 2;
      continue;
    }
    out += c;
    ++i;
    if (c == quote) return true;
  }
  error = "line " + std::to_string(line_of(src, start)) +
          ": a string or template literal runs past the end of its line";
  return false;
}

bool copy_regex(const std::string& src, std::size_t& i, std::string& out, std::string& error) {
  std::size_t start = i;
  bool in_class = false;
  out += src[i++];
  while (i < src.size() && src[i] != '\n') {
    char c = src[i];
    out += c;
    ++i;
    if (c == '\\' && i < src.size()) {
      out += src[i++];
    } else if (c == '[') {
      in_class = true;
    } else if (c == ']') {
      in_class = false;
    } else if (c == '/' && !in_class) {
      while (i < src.size() && is_word_char(src[i])) out += src[i++];
      return true;
    }
  }
  error = "line " + std::to_string(line_of(src, start)) + ": unterminated regular expression";
  return false;
}

}  // namespace

std::string normalise_text(const std::string& text) {
  std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = start; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool contains_script_close(const std::string& text) {
  return lower(text).find("</script") != std::string::npos;
}

std::string check_script_text(const std::string& name, const std::string& text) {
  std::string folded = lower(text);
  std::size_t at = folded.find("</script");
  if (at != std::string::npos)
    return name + ": line " + std::to_string(line_of(text, at)) +
           ": the text contains \"</script\", which would end its script element; write \"<\\/script>\" instead";
  // After "<!--" an HTML parser treats a later "<script" as nested and would not let the real
  // closing tag end the element.
  at = text.find("<!--");
  if (at != std::string::npos)
    return name + ": line " + std::to_string(line_of(text, at)) +
           ": the text contains \"<!--\", which changes how the browser finds the end of a script element; write \"<\\!--\" instead";
  return std::string();
}

bool fold_script(const std::string& src, std::string& out, std::string& error) {
  out.clear();
  out.reserve(src.size());
  std::string last_word;
  bool pending_space = false;
  std::size_t i = 0;
  while (i < src.size()) {
    char c = src[i];
    char next = i + 1 < src.size() ? src[i + 1] : '\0';
    if (is_space(c)) {
      pending_space = true;
      ++i;
      continue;
    }
    if (c == '/' && next == '/') {
      while (i < src.size() && src[i] != '\n') ++i;
      pending_space = true;
      continue;
    }
    if (c == '/' && next == '*') {
      std::size_t end = src.find("*/", i + 2);
      if (end == std::string::npos) {
        error = "line " + std::to_string(line_of(src, i)) + ": unterminated comment";
        return false;
      }
      i = end + 2;
      pending_space = true;
      continue;
    }
    if (pending_space && !out.empty()) out += ' ';
    pending_space = false;
    if (c == '"' || c == '\'' || c == '`') {
      if (!copy_quoted(src, i, out, error)) return false;
      last_word.clear();
    } else if (c == '/' && regex_may_start(out, last_word)) {
      if (!copy_regex(src, i, out, error)) return false;
      last_word.clear();
    } else if (is_word_char(c)) {
      last_word.clear();
      while (i < src.size() && is_word_char(src[i])) last_word += src[i++];
      out += last_word;
    } else {
      out += c;
      last_word.clear();
      ++i;
    }
  }
  return true;
}

std::string quote_script_string(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16 + 2);
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"' || c == '\'') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string base64_encode(const std::string& bytes) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) |
                 (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
    out += alphabet[(n >> 18) & 63];
    out += alphabet[(n >> 12) & 63];
    out += alphabet[(n >> 6) & 63];
    out += alphabet[n & 63];
  }
  std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += alphabet[(n >> 18) & 63];
    out += alphabet[(n >> 12) & 63];
    out += rest == 2 ? alphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string wrap_in_function(const std::vector<std::string>& sources) {
  std::string out = "(function () {\n'use strict';\n";
  for (const std::string& source : sources) {
    out += source;
    if (!source.empty() && source.back() != '\n') out += '\n';
  }
  out += "})();\n";
  return out;
}

bool fill_template(const std::string& tpl, const std::map<std::string, std::string>& values,
                   std::string& out, std::string& error) {
  std::map<std::string, int> seen;
  out.clear();
  std::size_t i = 0;
  while (i < tpl.size()) {
    std::size_t open = tpl.find("{{", i);
    if (open == std::string::npos) {
      out.append(tpl, i, std::string::npos);
      break;
    }
    std::size_t close = tpl.find("}}", open + 2);
    if (close == std::string::npos) {
      error = "template: \"{{\" without \"}}\" at line " + std::to_string(line_of(tpl, open));
      return false;
    }
    std::string name = tpl.substr(open + 2, close - open - 2);
    auto value = values.find(name);
    if (value == values.end()) {
      error = "template: unknown placeholder {{" + name + "}} at line " + std::to_string(line_of(tpl, open));
      return false;
    }
    out.append(tpl, i, open - i);
    out += value->second;
    ++seen[name];
    i = close + 2;
  }
  for (const auto& entry : values) {
    int count = seen[entry.first];
    if (count != 1) {
      error = "template: placeholder {{" + entry.first + "}} stands " + std::to_string(count) +
              " times; it must stand exactly once";
      return false;
    }
  }
  return true;
}

}  // namespace page_assembly
