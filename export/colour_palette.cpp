#include "export/colour_palette.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t NO_SLOT = 0xFFFFFFFFu;
// The cuts stop once the table's colours are this close to the pixels: a
// mean squared error of 1 summed over the three channels, well below one
// level of 256 per channel, which nobody sees; every entry more makes the
// frame larger.
constexpr double TARGET_ERROR = 1.0;
constexpr uint32_t PLANE = WU_SIDE * WU_SIDE;

uint32_t ColourOf(uint32_t pixel) {
    return pixel & 0xFFFFFFu;
}

uint32_t SlotOf(uint32_t colour, uint32_t slots) {
    return (colour * 2654435761u) >> (32 - __builtin_ctz(slots));
}

uint32_t FindSlot(const ColourCounter* counter, uint32_t colour) {
    uint32_t slot = SlotOf(colour, COLOUR_COUNTER_SLOTS);
    while (counter->keys[slot] && counter->keys[slot] != colour + 1)
        slot = (slot + 1) & (COLOUR_COUNTER_SLOTS - 1);
    return slot;
}

int Red(uint32_t colour) { return static_cast<int>(colour >> 16) & 255; }
int Green(uint32_t colour) { return static_cast<int>(colour >> 8) & 255; }
int Blue(uint32_t colour) { return static_cast<int>(colour) & 255; }

uint32_t Cell(uint32_t colour) {
    return ((Red(colour) >> 3) + 1) * PLANE + ((Green(colour) >> 3) + 1) * WU_SIDE +
           (Blue(colour) >> 3) + 1;
}

// A box of the colour cube: levels r0 (exclusive) to r1 (inclusive), and so on.
struct Box {
    uint32_t r0, r1, g0, g1, b0, b1;
};

enum Axis { AXIS_RED, AXIS_GREEN, AXIS_BLUE };

uint32_t At(uint32_t r, uint32_t g, uint32_t b) {
    return r * PLANE + g * WU_SIDE + b;
}

// Sums of a moment over a box, from the cumulative moments.
template <typename T>
T Volume(const Box& c, const T* m) {
    return m[At(c.r1, c.g1, c.b1)] - m[At(c.r1, c.g1, c.b0)] - m[At(c.r1, c.g0, c.b1)] +
           m[At(c.r1, c.g0, c.b0)] - m[At(c.r0, c.g1, c.b1)] + m[At(c.r0, c.g1, c.b0)] +
           m[At(c.r0, c.g0, c.b1)] - m[At(c.r0, c.g0, c.b0)];
}

// The part of the volume below the box along an axis, which a cut leaves
// out, and the part up to a cut at position p.
int64_t Bottom(const Box& c, Axis axis, const int64_t* m) {
    switch (axis) {
    case AXIS_RED:
        return -m[At(c.r0, c.g1, c.b1)] + m[At(c.r0, c.g1, c.b0)] + m[At(c.r0, c.g0, c.b1)] -
               m[At(c.r0, c.g0, c.b0)];
    case AXIS_GREEN:
        return -m[At(c.r1, c.g0, c.b1)] + m[At(c.r1, c.g0, c.b0)] + m[At(c.r0, c.g0, c.b1)] -
               m[At(c.r0, c.g0, c.b0)];
    case AXIS_BLUE:
        break;
    }
    return -m[At(c.r1, c.g1, c.b0)] + m[At(c.r1, c.g0, c.b0)] + m[At(c.r0, c.g1, c.b0)] -
           m[At(c.r0, c.g0, c.b0)];
}

int64_t Top(const Box& c, Axis axis, uint32_t p, const int64_t* m) {
    switch (axis) {
    case AXIS_RED:
        return m[At(p, c.g1, c.b1)] - m[At(p, c.g1, c.b0)] - m[At(p, c.g0, c.b1)] +
               m[At(p, c.g0, c.b0)];
    case AXIS_GREEN:
        return m[At(c.r1, p, c.b1)] - m[At(c.r1, p, c.b0)] - m[At(c.r0, p, c.b1)] +
               m[At(c.r0, p, c.b0)];
    case AXIS_BLUE:
        break;
    }
    return m[At(c.r1, c.g1, p)] - m[At(c.r1, c.g0, p)] - m[At(c.r0, c.g1, p)] +
           m[At(c.r0, c.g0, p)];
}

double Variance(const ColourQuantizer* q, const Box& c) {
    double r = static_cast<double>(Volume(c, q->red));
    double g = static_cast<double>(Volume(c, q->green));
    double b = static_cast<double>(Volume(c, q->blue));
    double w = static_cast<double>(Volume(c, q->weights));
    if (w <= 0) return 0;
    return Volume(c, q->squares) - (r * r + g * g + b * b) / w;
}

double Spread(double r, double g, double b, double w) {
    return (r * r + g * g + b * b) / w;
}

// The best cut of the box along one axis: the one that leaves the two parts
// with the largest sum of squared means, that is the smallest variance.
double Maximize(const ColourQuantizer* q, const Box& c, Axis axis, uint32_t first, uint32_t last,
                uint32_t* cut, const double whole[4]) {
    double baseR = static_cast<double>(Bottom(c, axis, q->red));
    double baseG = static_cast<double>(Bottom(c, axis, q->green));
    double baseB = static_cast<double>(Bottom(c, axis, q->blue));
    double baseW = static_cast<double>(Bottom(c, axis, q->weights));
    double best = 0;
    *cut = 0;
    for (uint32_t i = first; i < last; i++) {
        double r = baseR + static_cast<double>(Top(c, axis, i, q->red));
        double g = baseG + static_cast<double>(Top(c, axis, i, q->green));
        double b = baseB + static_cast<double>(Top(c, axis, i, q->blue));
        double w = baseW + static_cast<double>(Top(c, axis, i, q->weights));
        if (w <= 0 || w >= whole[3]) continue;
        double value = Spread(r, g, b, w) +
                       Spread(whole[0] - r, whole[1] - g, whole[2] - b, whole[3] - w);
        if (value > best) {
            best = value;
            *cut = i;
        }
    }
    return best;
}

bool Cut(const ColourQuantizer* q, Box* a, Box* b) {
    double whole[4] = {static_cast<double>(Volume(*a, q->red)),
                       static_cast<double>(Volume(*a, q->green)),
                       static_cast<double>(Volume(*a, q->blue)),
                       static_cast<double>(Volume(*a, q->weights))};
    uint32_t cutR, cutG, cutB;
    double maxR = Maximize(q, *a, AXIS_RED, a->r0 + 1, a->r1, &cutR, whole);
    double maxG = Maximize(q, *a, AXIS_GREEN, a->g0 + 1, a->g1, &cutG, whole);
    double maxB = Maximize(q, *a, AXIS_BLUE, a->b0 + 1, a->b1, &cutB, whole);
    *b = *a;
    if (maxR >= maxG && maxR >= maxB) {
        if (cutR == 0) return false;
        a->r1 = b->r0 = cutR;
    } else if (maxG >= maxB) {
        a->g1 = b->g0 = cutG;
    } else {
        a->b1 = b->b0 = cutB;
    }
    return true;
}

void Accumulate(ColourQuantizer* q) {
    for (uint32_t r = 1; r < WU_SIDE; r++) {
        int64_t areaW[WU_SIDE] = {}, areaR[WU_SIDE] = {}, areaG[WU_SIDE] = {}, areaB[WU_SIDE] = {};
        double areaS[WU_SIDE] = {};
        for (uint32_t g = 1; g < WU_SIDE; g++) {
            int64_t lineW = 0, lineR = 0, lineG = 0, lineB = 0;
            double lineS = 0;
            for (uint32_t b = 1; b < WU_SIDE; b++) {
                uint32_t i = At(r, g, b), below = i - PLANE;
                lineW += q->weights[i];
                lineR += q->red[i];
                lineG += q->green[i];
                lineB += q->blue[i];
                lineS += q->squares[i];
                areaW[b] += lineW;
                areaR[b] += lineR;
                areaG[b] += lineG;
                areaB[b] += lineB;
                areaS[b] += lineS;
                q->weights[i] = q->weights[below] + areaW[b];
                q->red[i] = q->red[below] + areaR[b];
                q->green[i] = q->green[below] + areaG[b];
                q->blue[i] = q->blue[below] + areaB[b];
                q->squares[i] = q->squares[below] + areaS[b];
            }
        }
    }
}

void AddToCell(ColourQuantizer* q, uint32_t colour, int64_t count) {
    uint32_t cell = Cell(colour);
    int64_t r = Red(colour), g = Green(colour), b = Blue(colour);
    q->weights[cell] += count;
    q->red[cell] += r * count;
    q->green[cell] += g * count;
    q->blue[cell] += b * count;
    q->squares[cell] += static_cast<double>(r * r + g * g + b * b) * static_cast<double>(count);
}

// Keeps exactly the colours that cover large areas, most frequent first,
// and takes them out of the cube when the cube is used.
void PinLargeAreas(ColourQuantizer* q, const ColourCounter* counter, uint32_t most, bool cube,
                   ColourTable* table) {
    uint32_t candidates[256];
    uint32_t found = 0;
    for (uint32_t i = 0; i < counter->distinct && found < 256; i++) {
        uint32_t slot = counter->used[i];
        if (uint64_t{counter->counts[slot]} * 256 >= counter->total) candidates[found++] = slot;
    }
    std::sort(candidates, candidates + found, [counter](uint32_t a, uint32_t b) {
        return counter->counts[a] > counter->counts[b];
    });
    for (uint32_t i = 0; i < found && i < most; i++) {
        uint32_t colour = counter->keys[candidates[i]] - 1;
        table->colours[table->count++] = colour;
        if (cube) AddToCell(q, colour, -static_cast<int64_t>(counter->counts[candidates[i]]));
    }
}

void CutCube(ColourQuantizer* q, uint32_t boxes, double enough, ColourTable* table) {
    Box cubes[256];
    double variance[256];
    cubes[0] = Box{0, WU_SIDE - 1, 0, WU_SIDE - 1, 0, WU_SIDE - 1};
    variance[0] = Variance(q, cubes[0]);
    double total = variance[0];
    uint32_t made = 1, next = 0;
    while (made < boxes && total > enough) {
        if (Cut(q, &cubes[next], &cubes[made])) {
            total -= variance[next];
            variance[next] = Variance(q, cubes[next]);
            variance[made] = Variance(q, cubes[made]);
            total += variance[next] + variance[made];
            made++;
        } else {
            variance[next] = 0;
        }
        next = 0;
        for (uint32_t k = 1; k < made; k++)
            if (variance[k] > variance[next]) next = k;
        if (variance[next] <= 0) break;
    }
    for (uint32_t k = 0; k < made; k++) {
        int64_t w = Volume(cubes[k], q->weights);
        if (w <= 0) continue;
        uint32_t r = static_cast<uint32_t>((Volume(cubes[k], q->red) + w / 2) / w);
        uint32_t g = static_cast<uint32_t>((Volume(cubes[k], q->green) + w / 2) / w);
        uint32_t b = static_cast<uint32_t>((Volume(cubes[k], q->blue) + w / 2) / w);
        table->colours[table->count++] = (std::min(r, 255u) << 16) | (std::min(g, 255u) << 8) |
                                         std::min(b, 255u);
    }
}

// Sums over a run of exact colours: their count, and per channel the sums
// of values and of squares, exact in 64 bits.
struct ListSums {
    uint64_t count;
    uint64_t value[3];
    uint64_t square[3];
};

void AddEntry(ListSums* sums, const ColourEntry& e) {
    int channel[3] = {Red(e.colour), Green(e.colour), Blue(e.colour)};
    sums->count += e.count;
    for (int c = 0; c < 3; c++) {
        sums->value[c] += uint64_t{e.count} * static_cast<uint64_t>(channel[c]);
        sums->square[c] += uint64_t{e.count} * static_cast<uint64_t>(channel[c] * channel[c]);
    }
}

double ChannelError(const ListSums& s, int c) {
    if (s.count == 0) return 0;
    double value = static_cast<double>(s.value[c]);
    return static_cast<double>(s.square[c]) - value * value / static_cast<double>(s.count);
}

double ListError(const ListSums& s) {
    return ChannelError(s, 0) + ChannelError(s, 1) + ChannelError(s, 2);
}

ListSums Difference(const ListSums& a, const ListSums& b) {
    ListSums d = {a.count - b.count, {}, {}};
    for (int c = 0; c < 3; c++) {
        d.value[c] = a.value[c] - b.value[c];
        d.square[c] = a.square[c] - b.square[c];
    }
    return d;
}

struct ListBox {
    uint32_t begin, end;
    ListSums sums;
    double error;
};

int Channel(uint32_t colour, int c) {
    return c == 0 ? Red(colour) : c == 1 ? Green(colour) : Blue(colour);
}

// Cuts the box across the channel with the largest error, where the two
// parts' errors add up to the least.
void SplitBox(ColourEntry* entries, ListBox* box, ListBox* part) {
    int axis = 0;
    for (int c = 1; c < 3; c++)
        if (ChannelError(box->sums, c) > ChannelError(box->sums, axis)) axis = c;
    std::sort(entries + box->begin, entries + box->end,
              [axis](const ColourEntry& a, const ColourEntry& b) {
                  return Channel(a.colour, axis) < Channel(b.colour, axis);
              });
    ListSums below = {};
    double best = -1;
    uint32_t cut = box->begin + 1;
    ListSums bestBelow = {};
    for (uint32_t i = box->begin; i + 1 < box->end; i++) {
        AddEntry(&below, entries[i]);
        double error = ListError(below) + ListError(Difference(box->sums, below));
        if (best < 0 || error < best) {
            best = error;
            cut = i + 1;
            bestBelow = below;
        }
    }
    ListSums above = Difference(box->sums, bestBelow);
    *part = ListBox{cut, box->end, above, ListError(above)};
    box->end = cut;
    box->sums = bestBelow;
    box->error = ListError(bestBelow);
}

// The cuts of the exact colours the counter holds, but the pinned ones.
void CutList(ColourQuantizer* q, const ColourCounter* counter, uint32_t boxes,
             ColourTable* table) {
    uint32_t pinned[256];
    uint32_t pinnedCount = table->count;
    std::copy(table->colours, table->colours + pinnedCount, pinned);
    std::sort(pinned, pinned + pinnedCount);
    uint32_t n = 0;
    for (uint32_t i = 0; i < counter->distinct; i++) {
        uint32_t slot = counter->used[i];
        uint32_t colour = counter->keys[slot] - 1;
        if (std::binary_search(pinned, pinned + pinnedCount, colour)) continue;
        q->entries[n++] = ColourEntry{colour, counter->counts[slot]};
    }
    if (n == 0) return;
    ListBox list[256];
    list[0] = ListBox{0, n, {}, 0};
    for (uint32_t i = 0; i < n; i++) AddEntry(&list[0].sums, q->entries[i]);
    list[0].error = ListError(list[0].sums);
    uint32_t made = 1;
    double enough = TARGET_ERROR * static_cast<double>(counter->total);
    double total = list[0].error;
    while (made < boxes && total > enough) {
        uint32_t worst = made;
        for (uint32_t k = 0; k < made; k++) {
            if (list[k].end - list[k].begin < 2 || list[k].error <= 0) continue;
            if (worst == made || list[k].error > list[worst].error) worst = k;
        }
        if (worst == made) break;
        total -= list[worst].error;
        SplitBox(q->entries, &list[worst], &list[made]);
        total += list[worst].error + list[made].error;
        made++;
    }
    for (uint32_t k = 0; k < made; k++) {
        const ListSums& s = list[k].sums;
        uint32_t mean[3];
        for (int c = 0; c < 3; c++)
            mean[c] = static_cast<uint32_t>((s.value[c] + s.count / 2) / s.count);
        table->colours[table->count++] = (mean[0] << 16) | (mean[1] << 8) | mean[2];
    }
}

}  // namespace

bool ColourCounterComplete(const ColourCounter* counter) {
    return counter->overflow == 0;
}

void ColourCounterInit(ColourCounter* counter) {
    std::memset(counter->keys, 0, sizeof counter->keys);
    counter->distinct = 0;
    ColourCounterReset(counter);
}

void ColourCounterReset(ColourCounter* counter) {
    for (uint32_t i = 0; i < counter->distinct; i++) counter->keys[counter->used[i]] = 0;
    counter->distinct = 0;
    counter->total = 0;
    counter->overflow = 0;
    counter->lastSlot = NO_SLOT;
}

void ColourCounterAdd(ColourCounter* counter, uint32_t pixel) {
    uint32_t colour = ColourOf(pixel);
    counter->total++;
    if (counter->lastSlot != NO_SLOT && colour == counter->lastPixel) {
        counter->counts[counter->lastSlot]++;
        return;
    }
    uint32_t slot = FindSlot(counter, colour);
    if (!counter->keys[slot]) {
        if (counter->distinct >= COLOUR_COUNTER_SLOTS / 2) {
            counter->overflow++;
            counter->lastSlot = NO_SLOT;
            return;
        }
        counter->keys[slot] = colour + 1;
        counter->counts[slot] = 0;
        counter->used[counter->distinct++] = slot;
    }
    counter->counts[slot]++;
    counter->lastPixel = colour;
    counter->lastSlot = slot;
}

bool ColourCounterFits(const ColourCounter* counter, uint32_t limit) {
    return counter->overflow == 0 && counter->distinct <= limit;
}

void ColourCounterTable(ColourCounter* counter, ColourTable* table) {
    table->count = 0;
    for (uint32_t i = 0; i < counter->distinct && table->count < 256; i++) {
        uint32_t slot = counter->used[i];
        counter->indices[slot] = static_cast<uint8_t>(table->count);
        table->colours[table->count++] = counter->keys[slot] - 1;
    }
    counter->lastSlot = NO_SLOT;
}

uint8_t ColourCounterIndex(ColourCounter* counter, uint32_t pixel) {
    uint32_t colour = ColourOf(pixel);
    if (counter->lastSlot == NO_SLOT || colour != counter->lastPixel) {
        counter->lastSlot = FindSlot(counter, colour);
        counter->lastPixel = colour;
    }
    return counter->indices[counter->lastSlot];
}

void ColourQuantizerReset(ColourQuantizer* quantizer) {
    std::memset(quantizer->weights, 0, sizeof quantizer->weights);
    std::memset(quantizer->red, 0, sizeof quantizer->red);
    std::memset(quantizer->green, 0, sizeof quantizer->green);
    std::memset(quantizer->blue, 0, sizeof quantizer->blue);
    std::memset(quantizer->squares, 0, sizeof quantizer->squares);
}

void ColourQuantizerAdd(ColourQuantizer* quantizer, uint32_t pixel) {
    uint32_t colour = ColourOf(pixel);
    uint32_t cell = Cell(colour);
    int64_t r = Red(colour), g = Green(colour), b = Blue(colour);
    quantizer->weights[cell]++;
    quantizer->red[cell] += r;
    quantizer->green[cell] += g;
    quantizer->blue[cell] += b;
    quantizer->squares[cell] += static_cast<double>(r * r + g * g + b * b);
}

void ColourQuantizerMake(ColourQuantizer* quantizer, const ColourCounter* counter,
                         uint32_t limit, ColourTable* table) {
    limit = std::min(std::max(limit, 2u), 256u);
    table->count = 0;
    bool cube = !ColourCounterComplete(counter);
    PinLargeAreas(quantizer, counter, limit / 2, cube, table);
    if (cube) {
        Accumulate(quantizer);
        CutCube(quantizer, limit - table->count,
                TARGET_ERROR * static_cast<double>(counter->total), table);
    } else {
        CutList(quantizer, counter, limit - table->count, table);
    }
    if (table->count == 0) table->colours[table->count++] = 0;

    std::memset(quantizer->cacheKeys, 0, sizeof quantizer->cacheKeys);
    quantizer->sortedCount = table->count;
    for (uint32_t i = 0; i < table->count; i++) quantizer->byGreen[i] = static_cast<uint8_t>(i);
    std::sort(quantizer->byGreen, quantizer->byGreen + table->count, [table](uint8_t a, uint8_t b) {
        return Green(table->colours[a]) < Green(table->colours[b]);
    });
}

uint8_t ColourQuantizerNearest(ColourQuantizer* quantizer, const ColourTable* table,
                               uint32_t pixel) {
    uint32_t colour = ColourOf(pixel);
    uint32_t slot = SlotOf(colour, NEAREST_CACHE_SLOTS);
    if (quantizer->cacheKeys[slot] == colour + 1) return quantizer->cacheIndices[slot];
    const uint8_t* order = quantizer->byGreen;
    int n = static_cast<int>(quantizer->sortedCount);
    int r = Red(colour), g = Green(colour), b = Blue(colour);
    int hi = static_cast<int>(std::lower_bound(order, order + n, g, [table](uint8_t i, int value) {
                 return Green(table->colours[i]) < value;
             }) - order);
    int lo = hi - 1;
    int best = 1 << 30;
    uint8_t bestIndex = order[hi < n ? hi : n - 1];
    while (lo >= 0 || hi < n) {
        int below = lo >= 0 ? g - Green(table->colours[order[lo]]) : 1 << 15;
        int above = hi < n ? Green(table->colours[order[hi]]) - g : 1 << 15;
        int step = below < above ? below : above;
        if (step * step >= best) break;
        int i = above <= below ? order[hi++] : order[lo--];
        uint32_t c = table->colours[i];
        int dr = Red(c) - r, dg = Green(c) - g, db = Blue(c) - b;
        int distance = dr * dr + dg * dg + db * db;
        if (distance < best) {
            best = distance;
            bestIndex = static_cast<uint8_t>(i);
        }
    }
    quantizer->cacheKeys[slot] = colour + 1;
    quantizer->cacheIndices[slot] = bestIndex;
    return bestIndex;
}
