// Colour tables for GIF frames. A frame whose pixels hold at most as many
// colours as the table has room for gets exactly those colours. Any other is
// reduced, without dithering, for screen pictures: the colours that cover
// large areas (backgrounds, text, window frames) are kept exactly, so that a
// changed rectangle shows no seam against the screen around it, and
// variance-minimising cuts share the remaining entries among the rest
// (anti-aliased edges, pictures): cuts of the list of exact colours when the
// counter holds them all, as on screens, else Wu's cuts of a 32-level colour
// cube. Each pixel then takes the nearest entry. Dithering would scatter
// noise over flat areas and glyph edges and break the runs that GIF's coder
// lives on. Pixels are 32-bit values as a surface holds them; only their
// low 24 bits (the colour) count.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t COLOUR_COUNTER_SLOTS = 1u << 16;
constexpr uint32_t WU_SIDE = 33;  // 32 levels per channel, and the zero plane
constexpr uint32_t WU_CELLS = WU_SIDE * WU_SIDE * WU_SIDE;
constexpr uint32_t NEAREST_CACHE_SLOTS = 1u << 16;

// The distinct colours of a set of pixels with their counts, as long as
// they fit in COLOUR_COUNTER_SLOTS / 2; beyond that, new colours are only
// counted as overflow.
struct ColourCounter {
    uint32_t keys[COLOUR_COUNTER_SLOTS];   // colour + 1; 0 = free
    uint32_t counts[COLOUR_COUNTER_SLOTS];
    uint8_t indices[COLOUR_COUNTER_SLOTS];
    uint32_t used[COLOUR_COUNTER_SLOTS / 2];  // the slots taken, in order
    uint32_t distinct;
    uint64_t total;      // pixels counted
    uint64_t overflow;   // of them, pixels of colours that found no slot
    uint32_t lastPixel;  // a run of one colour costs one lookup
    uint32_t lastSlot;
};

// A colour of the counter that the cuts of the exact list work on.
struct ColourEntry {
    uint32_t colour;
    uint32_t count;
};

struct ColourTable {
    uint32_t colours[256];  // 0x00RRGGBB
    uint32_t count;
};

// The moments of Wu's method over a 32-level colour cube, and the mapping
// of pixels onto a table: a cache of nearest colours and the table sorted by
// green, so that a search stops once green alone is farther than the best.
struct ColourQuantizer {
    int64_t weights[WU_CELLS];
    int64_t red[WU_CELLS], green[WU_CELLS], blue[WU_CELLS];
    double squares[WU_CELLS];
    uint32_t cacheKeys[NEAREST_CACHE_SLOTS];   // colour + 1; 0 = free
    uint8_t cacheIndices[NEAREST_CACHE_SLOTS];
    uint8_t byGreen[256];
    uint32_t sortedCount;
    ColourEntry entries[COLOUR_COUNTER_SLOTS / 2];
};

// Empties a new counter; ColourCounterReset then empties it again, at the
// cost of the colours it held.
void ColourCounterInit(ColourCounter* counter);
void ColourCounterReset(ColourCounter* counter);
void ColourCounterAdd(ColourCounter* counter, uint32_t pixel);
// True when every counted colour has a slot and there are at most limit.
bool ColourCounterFits(const ColourCounter* counter, uint32_t limit);
// The table of the counted colours, which must fit in it; numbers them.
void ColourCounterTable(ColourCounter* counter, ColourTable* table);
// The number of a counted colour in the table made by ColourCounterTable.
uint8_t ColourCounterIndex(ColourCounter* counter, uint32_t pixel);

// True when the counter holds every colour it was given, so that a table can
// be made from its list; else the pixels must also go into the colour cube.
bool ColourCounterComplete(const ColourCounter* counter);

// Empties the colour cube, then takes the pixels to reduce one by one.
void ColourQuantizerReset(ColourQuantizer* quantizer);
void ColourQuantizerAdd(ColourQuantizer* quantizer, uint32_t pixel);
// Makes a table of at most limit colours (2 to 256) for the pixels the
// counter counted (and, when it is not complete, the cube was given): first
// each colour that covers at least 1/256 of them (at most half the table),
// then the cuts of the rest; and gets ready to map pixels onto it.
void ColourQuantizerMake(ColourQuantizer* quantizer, const ColourCounter* counter,
                         uint32_t limit, ColourTable* table);
// The number of the table's colour nearest to the pixel's (squared distance).
uint8_t ColourQuantizerNearest(ColourQuantizer* quantizer, const ColourTable* table,
                               uint32_t pixel);
