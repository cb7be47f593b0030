// The generated files of the bundled demo game ("demo/"): its pictures, grid fonts and shared
// image sets. The demo's text files (settings, tables, script) are written by hand; its package
// comes from its script through GxWriteGamePackage. The demo generator tool writes these, and a
// test regenerates them and compares them with the committed ones.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace gxdemo {

// The title picture's colour (0xAARRGGBB), one colour over the whole picture.
constexpr uint32_t kTitleColor = 0xFF3060C0u;
// Where the title's start button sits on the screen (its layout row) and its size.
constexpr int32_t kStartLeft = 412, kStartTop = 600, kStartWidth = 200, kStartHeight = 48;

// Relative path (UTF-8, "/" separated) -> the file's bytes.
std::map<std::string, std::string> GeneratedFiles();
// Writes every generated file under folder; false when one cannot be written.
bool WriteGeneratedFiles(const std::string& folder);

}  // namespace gxdemo
