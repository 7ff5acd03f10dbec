#pragma once

class QFileDialog;
class QWidget;

// Gives the toolkit's file dialog room for what it lists: Qt's own size
// cuts names, sizes, types and dates. The dialog opens wide and high enough
// for a long name and every column whole, never larger than the free area
// of its screen, whatever the scale factor, so the controls at its bottom
// stay in view; each folder it shows, once read, has its columns fitted to
// their contents, the dialog growing where the screen lets it.
void SizeFileDialog(QFileDialog& dialog, QWidget* owner);
