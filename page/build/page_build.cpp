// Assembles the single-file page from the start page's pieces and the editor runtime.
//
//   page_build --version X.Y.Z --template start.html --style start.css --icon icon.png
//              --codec codec.js --start a.js b.js ... --runtime x.js y.js ... --out page.html
//
// The version is the project's, for the start page's footer. The start script and the runtime
// are each wrapped in one immediately invoked function; the runtime is then folded onto one line
// and carried as the string EDITOR_JS_SOURCE.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "page_assembly.h"

namespace {

struct options {
  std::string version, template_file, style_file, icon_file, codec_file, out_file;
  std::vector<std::string> start_files, runtime_files;
};

bool read_file(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool parse_options(int argc, char** argv, options& opts) {
  std::vector<std::string>* list = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string* single = nullptr;
    if (arg == "--version") single = &opts.version;
    else if (arg == "--template") single = &opts.template_file;
    else if (arg == "--style") single = &opts.style_file;
    else if (arg == "--icon") single = &opts.icon_file;
    else if (arg == "--codec") single = &opts.codec_file;
    else if (arg == "--out") single = &opts.out_file;
    else if (arg == "--start") { list = &opts.start_files; continue; }
    else if (arg == "--runtime") { list = &opts.runtime_files; continue; }
    else if (list != nullptr && arg.compare(0, 2, "--") != 0) { list->push_back(arg); continue; }
    else { std::cerr << "page_build: unknown argument " << arg << "\n"; return false; }
    if (i + 1 >= argc) { std::cerr << "page_build: " << arg << " needs a value\n"; return false; }
    *single = argv[++i];
    list = nullptr;
  }
  if (opts.version.empty() || opts.template_file.empty() || opts.style_file.empty() ||
      opts.icon_file.empty() || opts.codec_file.empty() || opts.out_file.empty() ||
      opts.start_files.empty() || opts.runtime_files.empty()) {
    std::cerr << "page_build: --version, --template, --style, --icon, --codec, --start, --runtime and --out"
                 " are all required\n";
    return false;
  }
  return true;
}

bool read_text(const std::string& path, std::string& text) {
  if (!read_file(path, text)) {
    std::cerr << "page_build: cannot read " << path << "\n";
    return false;
  }
  text = page_assembly::normalise_text(text);
  return true;
}

bool read_sources(const std::vector<std::string>& paths, std::vector<std::string>& sources) {
  for (const std::string& path : paths) {
    std::string text;
    if (!read_text(path, text)) return false;
    std::string problem = page_assembly::check_script_text(path, text);
    if (!problem.empty()) {
      std::cerr << "page_build: " << problem << "\n";
      return false;
    }
    sources.push_back(text);
  }
  return true;
}

bool build_page(const options& opts, std::string& page) {
  std::string tpl, style, icon, codec;
  std::vector<std::string> start_sources, runtime_sources;
  if (!read_text(opts.template_file, tpl) || !read_text(opts.style_file, style) ||
      !read_file(opts.icon_file, icon) || !read_sources({opts.codec_file}, start_sources))
    return false;
  codec = start_sources.front();
  start_sources.clear();
  if (!read_sources(opts.start_files, start_sources) || !read_sources(opts.runtime_files, runtime_sources))
    return false;
  if (icon.empty()) {
    std::cerr << "page_build: the icon " << opts.icon_file << " is empty\n";
    return false;
  }

  std::string runtime, error;
  if (!page_assembly::fold_script(page_assembly::wrap_in_function(runtime_sources), runtime, error)) {
    std::cerr << "page_build: the editor runtime cannot be folded onto one line: " << error << "\n";
    return false;
  }
  // Folding joins files, so a closing tag split across two of them is caught only here.
  std::string problem = page_assembly::check_script_text("the joined editor runtime", runtime);
  if (!problem.empty()) {
    std::cerr << "page_build: " << problem << "\n";
    return false;
  }

  const std::map<std::string, std::string> values = {
      {"version", opts.version},
      {"icon-data-uri", "data:image/png;base64," + page_assembly::base64_encode(icon)},
      {"style", style},
      {"codec-script", codec},
      {"start-script", page_assembly::wrap_in_function(start_sources)},
      {"editor-source", page_assembly::quote_script_string(runtime)},
  };
  if (!page_assembly::fill_template(tpl, values, page, error)) {
    std::cerr << "page_build: " << opts.template_file << ": " << error << "\n";
    return false;
  }
  if (page.compare(0, 15, "<!DOCTYPE html>") != 0) {
    std::cerr << "page_build: the page must begin with <!DOCTYPE html>\n";
    return false;
  }
  return true;
}

// Written through a temporary file so an interrupted build never leaves half a page behind.
bool write_file(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(text.data(), static_cast<std::streamsize>(text.size())) || !out.flush()) {
      std::cerr << "page_build: cannot write " << temp << "\n";
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::cerr << "page_build: cannot replace " << path << "\n";
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  options opts;
  std::string page;
  if (!parse_options(argc, argv, opts) || !build_page(opts, page) || !write_file(opts.out_file, page))
    return 1;
  return 0;
}
