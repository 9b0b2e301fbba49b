#pragma once

#include <QString>
#include <string>

namespace corvane {

// The program's texts are Windows-1252 bytes; the screen wants Unicode.
QString FromCp1252(const std::string& bytes);
std::string ToCp1252(const QString& text);

}  // namespace corvane
