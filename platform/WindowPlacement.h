#pragma once

class QWidget;

// Moves a window, at its natural size, to the centre of the primary screen (integer
// halves, as window positions are counted).
void CentreOnPrimaryScreen(QWidget* window);
