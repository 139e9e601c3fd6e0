#pragma once
// The translation tables of the two windows, one column per language (English, German).
#include "app/languages/LangTypes.h"

// The main window (TForm1) with its toolbars, status bar and message texts.
const TTranslationData& Form1Texts();
// The setup dialog (TForm2).
const TTranslationData& Form2Texts();
