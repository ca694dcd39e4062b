// sdl12_events.cpp -- the SDL 1.2 layer's event half: SDL 2's events as
// SDL 1.2's (types, key codes, focus), key repeat, the cursor.
#include "sdl12_local.h"

// ---- globals ----

static bool keyRepeat = false;  // off until SDL_EnableKeyRepeat turns it on
// The release half of a wheel turn, for the next poll.
static bool wheelUpPending = false;
static sdl12::SDL_Event wheelUp;

// ---- functions ----

// SDL 1.2's code for a key; printable keys keep their ASCII code in both.
static sdl12::SDLKey keyCode(SDL_Keycode key)
{
    if (key >= 0 && key < 128)
        return (sdl12::SDLKey)key;
    switch (key) {
    case SDLK_KP_0: return sdl12::SDLK_KP0;
    case SDLK_KP_1: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 1);
    case SDLK_KP_2: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 2);
    case SDLK_KP_3: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 3);
    case SDLK_KP_4: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 4);
    case SDLK_KP_5: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 5);
    case SDLK_KP_6: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 6);
    case SDLK_KP_7: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 7);
    case SDLK_KP_8: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 8);
    case SDLK_KP_9: return (sdl12::SDLKey)(sdl12::SDLK_KP0 + 9);
    case SDLK_KP_PERIOD: return sdl12::SDLK_KP_PERIOD;
    case SDLK_KP_DIVIDE: return sdl12::SDLK_KP_DIVIDE;
    case SDLK_KP_MULTIPLY: return sdl12::SDLK_KP_MULTIPLY;
    case SDLK_KP_MINUS: return sdl12::SDLK_KP_MINUS;
    case SDLK_KP_PLUS: return sdl12::SDLK_KP_PLUS;
    case SDLK_KP_ENTER: return sdl12::SDLK_KP_ENTER;
    case SDLK_KP_EQUALS: return sdl12::SDLK_KP_EQUALS;
    case SDLK_UP: return sdl12::SDLK_UP;
    case SDLK_DOWN: return sdl12::SDLK_DOWN;
    case SDLK_RIGHT: return sdl12::SDLK_RIGHT;
    case SDLK_LEFT: return sdl12::SDLK_LEFT;
    case SDLK_INSERT: return sdl12::SDLK_INSERT;
    case SDLK_HOME: return sdl12::SDLK_HOME;
    case SDLK_END: return sdl12::SDLK_END;
    case SDLK_PAGEUP: return sdl12::SDLK_PAGEUP;
    case SDLK_PAGEDOWN: return sdl12::SDLK_PAGEDOWN;
    case SDLK_NUMLOCKCLEAR: return sdl12::SDLK_NUMLOCK;
    case SDLK_CAPSLOCK: return sdl12::SDLK_CAPSLOCK;
    case SDLK_SCROLLLOCK: return sdl12::SDLK_SCROLLOCK;
    case SDLK_RSHIFT: return sdl12::SDLK_RSHIFT;
    case SDLK_LSHIFT: return sdl12::SDLK_LSHIFT;
    case SDLK_RCTRL: return sdl12::SDLK_RCTRL;
    case SDLK_LCTRL: return sdl12::SDLK_LCTRL;
    case SDLK_RALT: return sdl12::SDLK_RALT;
    case SDLK_LALT: return sdl12::SDLK_LALT;
    case SDLK_LGUI: return sdl12::SDLK_LSUPER;
    case SDLK_RGUI: return sdl12::SDLK_RSUPER;
    case SDLK_MODE: return sdl12::SDLK_MODE;
    case SDLK_HELP: return sdl12::SDLK_HELP;
    case SDLK_PRINTSCREEN: return sdl12::SDLK_PRINT;
    case SDLK_SYSREQ: return sdl12::SDLK_SYSREQ;
    case SDLK_PAUSE: return sdl12::SDLK_BREAK;
    case SDLK_MENU: return sdl12::SDLK_MENU;
    case SDLK_POWER: return sdl12::SDLK_POWER;
    case SDLK_UNDO: return sdl12::SDLK_UNDO;
    default: break;
    }
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return (sdl12::SDLKey)(sdl12::SDLK_F1 + (key - SDLK_F1));
    if (key >= SDLK_F13 && key <= SDLK_F15)
        return (sdl12::SDLKey)(sdl12::SDLK_F1 + 12 + (key - SDLK_F13));
    return sdl12::SDLK_UNKNOWN;
}

// A window position as a position in the picture, clamped to it.
static void pictureCoordinates(int x, int y, sdl12::Uint16 *px, sdl12::Uint16 *py)
{
    const Sdl12Picture &p = sdl12Picture;
    long cx = p.w > 0 ? (long)(x - p.x) * p.width / p.w : x;
    long cy = p.h > 0 ? (long)(y - p.y) * p.height / p.h : y;
    cx = cx < 0 ? 0 : cx >= p.width ? p.width - 1 : cx;
    cy = cy < 0 ? 0 : cy >= p.height ? p.height - 1 : cy;
    *px = (sdl12::Uint16)cx;
    *py = (sdl12::Uint16)cy;
}

static void activeEvent(sdl12::SDL_Event *out, int gain, int state)
{
    out->active.type = sdl12::SDL_ACTIVEEVENT;
    out->active.gain = (sdl12::Uint8)gain;
    out->active.state = (sdl12::Uint8)state;
}

// SDL 1.2's form of an SDL 2 event; false for one that SDL 1.2 had no
// counterpart of (sideways wheel, text input, window moves), which is dropped.
static bool translate(const SDL_Event &in, sdl12::SDL_Event *out)
{
    *out = sdl12::SDL_Event();
    switch (in.type) {
    case SDL_QUIT:
        out->type = sdl12::SDL_QUIT;
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (in.key.repeat && !keyRepeat)
            return false;
        out->key.type = in.type == SDL_KEYDOWN ? sdl12::SDL_KEYDOWN : sdl12::SDL_KEYUP;
        out->key.state = in.key.state;
        out->key.keysym.sym = keyCode(in.key.keysym.sym);
        out->key.keysym.mod = (sdl12::SDLMod)(in.key.keysym.mod & 0x7fff);  // no scroll lock bit
        return true;
    case SDL_MOUSEMOTION:
        out->motion.type = sdl12::SDL_MOUSEMOTION;
        out->motion.state = (sdl12::Uint8)in.motion.state;
        pictureCoordinates(in.motion.x, in.motion.y, &out->motion.x, &out->motion.y);
        out->motion.xrel = (sdl12::Sint16)in.motion.xrel;
        out->motion.yrel = (sdl12::Sint16)in.motion.yrel;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        out->button.type = in.type == SDL_MOUSEBUTTONDOWN ? sdl12::SDL_MOUSEBUTTONDOWN
                                                          : sdl12::SDL_MOUSEBUTTONUP;
        // SDL 1.2 numbered the wheel 4 and 5, the side buttons after it.
        out->button.button = (sdl12::Uint8)(in.button.button <= 3 ? in.button.button
                                                                  : in.button.button + 2);
        out->button.state = in.button.state;
        pictureCoordinates(in.button.x, in.button.y, &out->button.x, &out->button.y);
        return true;
    case SDL_MOUSEWHEEL: {
        // SDL 1.2 had no wheel event: a turn was a press and release of
        // button 4 (up) or 5 (down), which programs such as boxcity.scr see.
        if (in.wheel.y == 0)
            return false;
        int x, y;
        SDL_GetMouseState(&x, &y);
        out->button.type = sdl12::SDL_MOUSEBUTTONDOWN;
        out->button.button = in.wheel.y > 0 ? sdl12::SDL_BUTTON_WHEELUP : sdl12::SDL_BUTTON_WHEELDOWN;
        out->button.state = SDL_PRESSED;
        pictureCoordinates(x, y, &out->button.x, &out->button.y);
        wheelUp = *out;
        wheelUp.button.type = sdl12::SDL_MOUSEBUTTONUP;
        wheelUp.button.state = SDL_RELEASED;
        wheelUpPending = true;
        return true;
    }
    case SDL_WINDOWEVENT:
        switch (in.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: activeEvent(out, 1, sdl12::SDL_APPINPUTFOCUS); return true;
        case SDL_WINDOWEVENT_FOCUS_LOST: activeEvent(out, 0, sdl12::SDL_APPINPUTFOCUS); return true;
        case SDL_WINDOWEVENT_ENTER: activeEvent(out, 1, sdl12::SDL_APPMOUSEFOCUS); return true;
        case SDL_WINDOWEVENT_LEAVE: activeEvent(out, 0, sdl12::SDL_APPMOUSEFOCUS); return true;
        case SDL_WINDOWEVENT_RESTORED: activeEvent(out, 1, sdl12::SDL_APPACTIVE); return true;
        case SDL_WINDOWEVENT_MINIMIZED: activeEvent(out, 0, sdl12::SDL_APPACTIVE); return true;
        case SDL_WINDOWEVENT_EXPOSED: out->type = sdl12::SDL_VIDEOEXPOSE; return true;
        default: return false;
        }
    case SDL_SYSWMEVENT:
        sdl12NoteSystemEvent(in.syswm.msg);
        return false;
    case SDL_DISPLAYEVENT:
        // A monitor plugged in while every display is covered: covered too.
        if (in.display.event == SDL_DISPLAYEVENT_CONNECTED && sdl12EveryDisplay)
            sdl12DisplayAdded((int)in.display.display);
        return false;
    default:
        return false;
    }
}

namespace sdl12 {

// SDL 2 repeats held keys at the system's pace; SDL 1.2's delay and
// interval are not reproduced, only whether repeats arrive at all.
int SDL_EnableKeyRepeat(int delay, int interval)
{
    if (delay < 0 || interval < 0) {
        ::SDL_SetError("keyboard repeat value less than zero");
        return -1;
    }
    keyRepeat = delay > 0;
    return 0;
}

int SDL_ShowCursor(int toggle)
{
    return ::SDL_ShowCursor(toggle);
}

int SDL_PollEvent(SDL_Event *event)
{
    ::SDL_Event in;
    if (!event)
        return wheelUpPending || ::SDL_PollEvent(nullptr);
    if (wheelUpPending) {
        wheelUpPending = false;
        *event = wheelUp;
        return 1;
    }
    while (::SDL_PollEvent(&in))
        if (translate(in, event))
            return 1;
    return 0;
}

} // namespace sdl12
