#pragma once
// Keys that must never end a dialog of ours: Escape would cancel it and Enter would run
// its default action, and neither is how these windows are left.

class QKeyEvent;

// Accepts (swallows) Escape, Return and Enter and says so; other keys are left alone.
bool SwallowCloseKeys(QKeyEvent* event);
