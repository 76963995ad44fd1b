#pragma once

namespace talvex::gui {

class DialogView;

// Creates the widgets of the view's dialog class and lays them out: the Techniques, Mechanism,
// Instrument, Chemicals and Display options dialogs each have their own arrangement (frames as
// group boxes, the reaction editor and the Chemicals dialog as tables); any other dialog gets one
// group box per frame holding the controls that sit in it.
void BuildDialogLayout(DialogView& view);

}  // namespace talvex::gui
