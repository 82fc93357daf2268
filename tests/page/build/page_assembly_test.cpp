#include "page_assembly.h"

#include <gtest/gtest.h>

using namespace page_assembly;

namespace {

std::string folded(const std::string& source) {
  std::string out, error;
  EXPECT_TRUE(fold_script(source, out, error)) << error;
  return out;
}

std::string fold_error(const std::string& source) {
  std::string out, error;
  EXPECT_FALSE(fold_script(source, out, error));
  return error;
}

}  // namespace

TEST(PageAssembly, QuotesRuntimeTextWithOnlyThreeEscapes) {
  EXPECT_EQ(quote_script_string(R"(a\b"c'd)"), R"("a\\b\"c\'d")");
  // Everything else stands as itself: Chinese, dollar patterns, other closing tags.
  EXPECT_EQ(quote_script_string("中文 $1 $& </span>"), "\"中文 $1 $& </span>\"");
  EXPECT_EQ(quote_script_string(""), "\"\"");
}

TEST(PageAssembly, RefusesScriptCloseInAnyLetterCaseAndCommentOpeners) {
  EXPECT_TRUE(contains_script_close("x = '</script>'"));
  EXPECT_TRUE(contains_script_close("x = '</ScRiPt '"));
  EXPECT_FALSE(contains_script_close("x = '<\\/script>'"));
  EXPECT_FALSE(contains_script_close("x = '</span></head>'"));

  std::string problem = check_script_text("runtime.js", "a();\nb('</SCRIPT>');\n");
  EXPECT_NE(problem.find("runtime.js: line 2"), std::string::npos) << problem;
  EXPECT_NE(check_script_text("r.js", "var x = '<!--';").find("<!--"), std::string::npos);
  EXPECT_EQ(check_script_text("r.js", "var x = '<\\/script>' + '<' + '!--';"), "");
}

TEST(PageAssembly, FoldsScriptsOntoOneLineKeepingLiterals) {
  EXPECT_EQ(folded("var a = 1; // note\nvar b = 2; /* block\ncomment */ var c = 3;\n"),
            "var a = 1; var b = 2; var c = 3;");
  // Comment-like text inside strings and regular expressions is left alone.
  EXPECT_EQ(folded("var s = 'http://x /* y */';\nvar r = /\\/\\/[/]*/g;\n"),
            "var s = 'http://x /* y */'; var r = /\\/\\/[/]*/g;");
  // After a value a slash divides; after return or an operator it starts a pattern.
  EXPECT_EQ(folded("x = a / b / c;\nreturn /=+/.test(y);"), "x = a / b / c; return /=+/.test(y);");
  EXPECT_EQ(folded("f(/a'b/, `t ${1} // u`);"), "f(/a'b/, `t ${1} // u`);");
  EXPECT_EQ(folded("\n\n  \t"), "");
}

TEST(PageAssembly, FoldingRefusesWhatOneLineWouldBreak) {
  EXPECT_NE(fold_error("var t = `first\nsecond`;").find("line 1"), std::string::npos);
  EXPECT_NE(fold_error("ok();\nvar s = 'a\\\nb';").find("line 2"), std::string::npos);
  EXPECT_NE(fold_error("a(); /* never closed").find("unterminated comment"), std::string::npos);
  EXPECT_NE(fold_error("x = (/abc\n);").find("regular expression"), std::string::npos);
}

TEST(PageAssembly, NormalisesLineEndingsAndByteOrderMark) {
  EXPECT_EQ(normalise_text("\xEF\xBB\xBF" "a\r\nb\rc\n"), "a\nb\nc\n");
  EXPECT_EQ(normalise_text("no bom\n"), "no bom\n");
}

TEST(PageAssembly, Base64MatchesKnownVectors) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode(std::string("\x89PNG\r\n\x1a" "\n", 8)), "iVBORw0KGgo=");
}

TEST(PageAssembly, FillsEachPlaceholderExactlyOnceAndLiterally) {
  std::string out, error;
  ASSERT_TRUE(fill_template("<a>{{x}}</a>{{y}}", {{"x", "$1 {{y}}"}, {"y", "2"}}, out, error)) << error;
  EXPECT_EQ(out, "<a>$1 {{y}}</a>2");

  EXPECT_FALSE(fill_template("{{x}}{{x}}", {{"x", "1"}}, out, error));
  EXPECT_NE(error.find("2 times"), std::string::npos);
  EXPECT_FALSE(fill_template("{{x}}", {{"x", "1"}, {"y", "2"}}, out, error));
  EXPECT_NE(error.find("{{y}} stands 0 times"), std::string::npos);
  EXPECT_FALSE(fill_template("{{z}}", {}, out, error));
  EXPECT_NE(error.find("unknown placeholder {{z}}"), std::string::npos);
}

TEST(PageAssembly, WrapsSourcesInOneFunctionInOrder) {
  std::string wrapped = wrap_in_function({"var a = 1;", "var b = a;\n"});
  EXPECT_EQ(wrapped, "(function () {\n'use strict';\nvar a = 1;\nvar b = a;\n})();\n");
}
