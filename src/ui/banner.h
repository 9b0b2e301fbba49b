#pragma once

#include <QPixmap>

namespace corvane {

// The banner across the top of the main window: a sky, a runway and an
// aircraft climbing away, drawn rather than shipped as a file.
QPixmap DrawBanner(int width, int height);

}  // namespace corvane
