#pragma once

class Clock;
class TDM_EinAus;
class THelperData;
class WidgetInteraction;

// What every window of the desktop program works with: the data folder, the data module, the
// clock and the one way to talk to the user. All of it is injected, so tests set each part.
struct Anwendung {
    THelperData& helper;
    TDM_EinAus& dm;
    const Clock& clock;
    WidgetInteraction& ui;
};
