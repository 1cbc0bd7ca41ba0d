// The controls screen's working state in the front end.
#pragma once

struct ControlsScreenState {
};
