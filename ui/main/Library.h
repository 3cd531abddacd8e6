// Placing windows and converting twips to pixels.
#pragma once

class QWidget;

namespace qx {

// Pixels for a length in twips (1440 to the inch) at the widget's logical DPI.
int TwipsToPixels(const QWidget* w, int twips, bool vertical = false);
// Centres w on its screen.
void CenterForm(QWidget* w);
// Centres w horizontally on the screen, its top twipsBelow under the top of
// mainWindow.
void PlaceBelowMain(QWidget* w, const QWidget* mainWindow, int twipsBelow);

}  // namespace qx
