#pragma once

// Key identity throughout the program: the Windows virtual-key numbers, the numbering the
// demo's key table was first written in, so the table reads the same whatever keyboard layer
// delivers the presses (each platform back end translates into it). Letters and digits are
// their upper-case ASCII codes.
enum VirtualKey {
    KeyNone = 0,
    KeyBackspace = 8,
    KeyTab = 9,
    KeyReturn = 13,
    KeyShift = 16,
    KeyControl = 17,
    KeyAlt = 18,
    KeyEscape = 27,
    KeySpace = 32,
    KeyPageUp = 33,
    KeyPageDown = 34,
    KeyEnd = 35,
    KeyHome = 36,
    KeyLeft = 37,
    KeyUp = 38,
    KeyRight = 39,
    KeyDown = 40,
    KeyInsert = 45,
    KeyDelete = 46,
    KeyPad0 = 96, // numeric-pad digits run from 96 to 105
    KeyPadMultiply = 106,
    KeyPadPlus = 107,
    KeyPadMinus = 109,
    KeyPadDecimal = 110,
    KeyPadDivide = 111,
    KeyF1 = 112, // function keys run from 112 to 123
    KeyF12 = 123,
    KeyMainPlus = 187,  // the main row's + (unshifted =), beside Backspace
    KeyMainMinus = 189, // the main row's -
};
