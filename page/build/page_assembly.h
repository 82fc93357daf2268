// Pure text routines of the page build: they turn the start page's pieces and the editor runtime
// into the single-file page. No file access here, so they are unit-tested on plain strings.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace page_assembly {

// Drops a leading UTF-8 byte-order mark and turns CR LF and lone CR into LF, so the page
// is UTF-8 without a BOM and has line feeds only, whatever editor saved the sources.
std::string normalise_text(const std::string& text);

// True when the text holds "</script" in any letter case; such a text would end the script
// element that carries it.
bool contains_script_close(const std::string& text);

// Checks a script that will stand inside a script element. Returns an empty string when it is
// safe, otherwise a message naming the problem and its line.
std::string check_script_text(const std::string& name, const std::string& text);

// Folds a script onto one line: comments removed, every run of white space made one space.
// Strings, template literals and regular expressions are copied untouched. Relies on the
// script ending its statements with semicolons. On failure returns false and sets error.
bool fold_script(const std::string& source, std::string& folded, std::string& error);

// The runtime text as a double-quoted string literal: backslash, double quote and single
// quote get a backslash in front, every other character stands as itself.
std::string quote_script_string(const std::string& text);

std::string base64_encode(const std::string& bytes);

// Wraps script sources in one immediately invoked function, in the order given.
std::string wrap_in_function(const std::vector<std::string>& sources);

// Replaces each "{{name}}" of the template by its value. Every placeholder must stand exactly
// once and every "{{...}}" in the template must be known; the values are inserted literally.
bool fill_template(const std::string& tpl, const std::map<std::string, std::string>& values,
                   std::string& out, std::string& error);

}  // namespace page_assembly
