// The entry points of the window module, which the program loads at run time.
#pragma once

extern "C" {
// Opens the display and shows the waiting window, drawn before this returns; null when no
// display can be opened.
void* window_open(const char* title);
// A modal message box with one OK button; returns once the user has closed it.
void window_message(void* window, const char* text);
// Closes the window and frees it.
void window_close(void* window);
}
