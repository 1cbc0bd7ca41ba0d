// The screen-settings screen's working state in the front end.
#pragma once

struct ScreenSettingsState {
};
