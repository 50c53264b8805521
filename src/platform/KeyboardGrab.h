#pragma once

class QWidget;

// Takes the keyboard for a shown menu or overlay, so that keys reach it wherever the focus
// was: Qt tries once when the window shows, and fails while another client (a panel, a
// pressed hot key) still holds the keyboard. Retried until it holds or the window hides.
void grabKeyboardWhileShown(QWidget* window);
