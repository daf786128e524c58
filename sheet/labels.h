#pragma once

// The rows' labels as the sheet shows them, written once for the sheet's sections and for the
// words that name a cell elsewhere (the hint, the analysis of a game).

#include "sheet/rules.h"

inline constexpr const char* NUMBER_LABELS[NUMBER_ROWS] = {"1er", "2er", "3er",
                                                           "4er", "5er", "6er"};
inline constexpr const char* PASCH_LABELS[PASCH_ROWS] = {"3er Pasch", "4er Pasch", "5er Pasch"};
inline constexpr const char* HOUSE_LABELS[HOUSE_ROWS] = {"2-2-2 Haus", "2-4 Haus", "3-3 Haus"};
inline constexpr const char* STREET_LABELS[STREET_ROWS] = {"1-2-3-4",   "2-3-4-5",   "3-4-5-6",
                                                           "1-2-3-4-5", "2-3-4-5-6", "1-2-3-4-5-6"};
// One caption for both "Wummel" rows, which are told apart by number.
inline constexpr const char* WUMMEL_LABEL = "Wummel";
inline constexpr const char* CHANCE_LABEL = "Chance";
