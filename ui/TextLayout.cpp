#include "ui/TextLayout.hpp"

#include <vector>

#include "engine/OWindow.hpp"
#include "ui/OText.hpp"
#include "ui/TextDrawing.hpp"

namespace ui {

namespace {

bool isWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

} // namespace

TextLayout::TextLayout(engine::OWindow& window)
    : rightBound(scene::TruncateToInt(window.ClientWidth())),
      bottom(scene::TruncateToInt(window.ClientHeight())),
      m_window(window) {}

engine::FontRecord TextLayout::Style() const {
    engine::FontRecord font;
    font.SetFace(face);
    font.colour = colour;
    font.height = size;
    font.width = width;
    font.escapement = escapement;
    font.orientation = orientation;
    font.weight = weight;
    font.italic = italic;
    font.underline = underline;
    return font;
}

void TextLayout::SetMargins(std::int32_t left, std::int32_t right) {
    leftMargin = left;
    x = left;
    rightBound = right;
}

void TextLayout::NewLine() {
    y += TextHeight(" ", Style());
    x = leftMargin;
}

void TextLayout::WriteParagraph(std::string_view text) {
    if (text.empty()) return;
    const engine::FontRecord font = Style();
    std::string word;
    std::vector<OText*> line;
    for (std::size_t position = 0; position <= text.size(); ++position) {
        const bool end = position == text.size();
        if (!end && !isWhiteSpace(text[position])) {
            word += text[position];
            continue;
        }
        word += ' ';
        auto* placed = new OText(word);
        placed->SetFont(font);
        m_window.AddObject(placed);
        placed->SetPosition(float(x), float(y), placed->RelativeZ());
        const float wordWidth = placed->Width();
        if (double(x) + wordWidth <= double(rightBound) && !end) {
            x = scene::TruncateToInt(double(x) + wordWidth);
            line.push_back(placed);
            word.clear();
            continue;
        }

        // The line is finished; at the end of the text the last word stays on it and may
        // overhang the right bound.
        if (end) line.push_back(placed);
        if (!line.empty()) {
            const OText* last = line.back();
            const int freeSpace = scene::TruncateToInt(double(rightBound) - (double(last->X()) + last->Width()));
            int shift = freeSpace;
            if (alignment == kAlignLeft)
                shift = 0;
            else if (alignment == kAlignCentre)
                shift = freeSpace / 2;
            if (shift != 0)
                for (OText* placedWord : line) placedWord->MoveBy(float(shift), 0, 0);
            line.clear();
        }
        x = leftMargin;
        y = scene::TruncateToInt(double(y) + placed->Height());
        if (!end) {
            placed->SetPosition(float(x), float(y), placed->RelativeZ());
            x = scene::TruncateToInt(double(x) + wordWidth);
            line.push_back(placed);
            word.clear();
        }
    }
}

} // namespace ui
