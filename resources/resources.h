#pragma once

// Registers the pictures and the style sheet (":/icons/icons/...",
// ":/backg/backg/...", ":/qss/qss/styleSheet.qss"). They are compiled into a
// static library, so the program and every test that needs them call this once
// before the first use; further calls do nothing.
void InitQuillonResources();
