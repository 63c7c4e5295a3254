// The windows library: forms and handlers that forward to the engine live beside this file.
namespace kvt::ui {
int windowsLibraryAnchor = 0;
} // namespace kvt::ui
