#include "main_window_states.h"

MainButtons main_window_buttons(MainState state)
{
    //                                open rtr lines mon acc over close list
    switch (state) {
    case MainState::IDLE:
        return {0, 0, 0, 0, 0, 1, 0, 1};
    case MainState::START_FAILED:
        return {0, 0, 0, 0, 0, 0, 0, 1};
    case MainState::ROUTER_SELECTED:
        return {1, 0, 0, 0, 0, 1, 0, 1};
    case MainState::REGISTERING:
        return {0, 0, 0, 0, 0, 1, 0, 0};
    case MainState::REFUSED:
        return {0, 0, 0, 0, 0, 1, 0, 1};
    case MainState::UNCONFIGURED_ROUTER:
        return {0, 1, 0, 0, 0, 0, 1, 0};
    case MainState::REGISTERED_LINES:
        return {0, 1, 1, 1, 1, 0, 1, 0};
    case MainState::REGISTERED_NO_LINES:
        return {0, 1, 1, 0, 0, 0, 1, 0};
    case MainState::REGISTERED_UNKNOWN:
        return {0, 1, 0, 0, 0, 0, 1, 0};
    }
    return {0, 0, 0, 0, 0, 1, 0, 1};
}
