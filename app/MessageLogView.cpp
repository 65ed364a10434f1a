#include "app/MessageLogView.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace
{
constexpr float fontHeight = 12.0f;
constexpr int textMargin = 3;

struct TextPos
{
    int line = 0;
    int column = 0;

    bool operator== (const TextPos& other) const { return line == other.line && column == other.column; }
    bool operator<(const TextPos& other) const
    {
        return line < other.line || (line == other.line && column < other.column);
    }
};

juce::String withoutLineEnd (const juce::String& line)
{
    if (line.endsWith ("\r\n"))
        return line.dropLastCharacters (2);

    if (line.endsWith ("\n") || line.endsWith ("\r"))
        return line.dropLastCharacters (1);

    return line;
}

// Splits `n` characters into rows of at most `capacity` visible characters, breaking after a run
// of blanks; a word longer than a row is broken inside. The blanks at a break stay at the end of
// the row they follow (they take no visible room). Calls emit (start, end) for every row, in order,
// and returns the number of rows; an empty text is one empty row.
template <typename Emit>
int wrapRows (const juce::juce_wchar* text, int n, int capacity, Emit&& emit)
{
    int rows = 0;
    int start = 0;

    for (;;)
    {
        ++rows;

        if (n - start <= capacity)
        {
            emit (start, n);
            return rows;
        }

        const int full = start + capacity; // the first character that does not fit
        int next = full;

        if (text[full] == ' ')
        {
            while (next < n && text[next] == ' ')
                ++next;
        }
        else
        {
            int blank = full - 1;

            while (blank > start && text[blank] != ' ')
                --blank;

            if (blank > start)
                next = blank + 1;
        }

        emit (start, next);

        if (next >= n)
            return rows;

        start = next;
    }
}
} // namespace

// The area that draws the lines, with the vertical scroll bar. Lines are word-wrapped to the width
// of the text. Per line only its number of rows is kept, as a running total, so appending a line
// costs the wrap of that one line, the line and the row under a point are found by binary search,
// and only the rows in sight are drawn; where a line breaks is worked out again when it is drawn
// or hit. Only a change of the number of characters a row holds (a resize, or the scroll bar
// coming or going) wraps the whole log again. A running total of the lines' bytes gives the size
// of a copy without reading the text. Rows are counted in 64 bits: a few gigabytes of log in a
// narrow view pass 2^31 rows.
struct MessageLogView::Impl : public juce::Component,
                              private juce::ScrollBar::Listener
{
    Impl()
    {
        font = juce::Font (juce::Font::getDefaultMonospacedFontName(), fontHeight, juce::Font::plain);
        charWidth = juce::jmax (1.0f, font.getStringWidthFloat ("M"));
        lineHeight = juce::roundToInt (std::ceil (font.getHeight()));

        vertical.setAutoHide (false);
        vertical.addListener (this);
        addChildComponent (vertical);

        setWantsKeyboardFocus (true);
        setMouseCursor (juce::MouseCursor::IBeamCursor);
    }

    ~Impl() override
    {
        vertical.removeListener (this);
    }

    // ---- content
    void append (const juce::String& line)
    {
        lines.add (withoutLineEnd (line));
        const int rows = rowsOfLine (lines.size() - 1);
        rowTotals.push_back (totalRows() + rows);
        byteTotals.push_back (totalBytes() + lines.getLast().getNumBytesAsUTF8());
        collapseSelectionToEnd();
        updateLayout();
        vertical.setCurrentRangeStart (vertical.getMaximumRangeLimit(), juce::dontSendNotification);
        repaint();
    }

    void clearAll()
    {
        lines.clearQuick();
        lines.minimiseStorageOverheads();
        rowTotals.clear();
        rowTotals.shrink_to_fit();
        byteTotals.clear();
        byteTotals.shrink_to_fit();
        collapseSelectionToEnd();
        vertical.setCurrentRangeStart (0.0, juce::dontSendNotification);
        updateLayout();
        repaint();
    }

    // ---- wrapping
    // The characters of one line, decoded once into a buffer kept between calls.
    const juce::juce_wchar* charactersOf (int lineIndex, int& n) const
    {
        const auto& line = lines.getReference (lineIndex);
        scratch.clear();

        for (auto p = line.getCharPointer(); ! p.isEmpty();)
            scratch.push_back (p.getAndAdvance());

        n = (int) scratch.size();
        return scratch.data();
    }

    int rowsOfLine (int lineIndex) const
    {
        int n = 0;
        const auto* text = charactersOf (lineIndex, n);
        return wrapRows (text, n, capacity, [] (int, int) {});
    }

    // The start and end columns of every row of a line.
    std::vector<juce::Range<int>> rowRangesOf (int lineIndex) const
    {
        std::vector<juce::Range<int>> rows;
        int n = 0;
        const auto* text = charactersOf (lineIndex, n);
        wrapRows (text, n, capacity, [&rows] (int start, int end) { rows.emplace_back (start, end); });
        return rows;
    }

    int64_t totalRows() const { return rowTotals.empty() ? 0 : rowTotals.back(); }
    int64_t firstRowOf (int lineIndex) const { return lineIndex <= 0 ? 0 : rowTotals[(size_t) lineIndex - 1]; }

    // The line holding a row (rows past the end give the last line).
    int lineOfRow (int64_t row) const
    {
        const auto it = std::upper_bound (rowTotals.begin(), rowTotals.end(), row);
        return juce::jmin ((int) (it - rowTotals.begin()), (int) rowTotals.size() - 1);
    }

    int capacityFor (int width) const
    {
        return juce::jmax (1, (int) std::floor ((width - 2 * textMargin) / charWidth));
    }

    // Wraps every line again for a new row capacity; returns whether anything changed.
    bool rewrapTo (int newCapacity)
    {
        if (newCapacity == capacity)
            return false;

        capacity = newCapacity;
        int64_t total = 0;

        for (int i = 0; i < lines.size(); ++i)
        {
            total += rowsOfLine (i);
            rowTotals[(size_t) i] = total;
        }

        return true;
    }

    // ---- copying
    size_t totalBytes() const { return byteTotals.empty() ? 0 : byteTotals.back(); }
    size_t firstByteOf (int lineIndex) const { return lineIndex <= 0 ? 0 : byteTotals[(size_t) lineIndex - 1]; }

    // Where the character at a column of a line starts, in bytes from the start of the line.
    size_t byteOfColumn (int lineIndex, int column) const
    {
        const auto start = lines.getReference (lineIndex).getCharPointer();
        auto p = start;

        while (column-- > 0 && ! p.isEmpty())
            ++p;

        return (size_t) (p.getAddress() - start.getAddress());
    }

    // The text from (from.line, from.column) to (to.line, to.column), the lines joined by "\n", with
    // a "\n" after the last line too when `lineEndAfterLast`. The size comes from the running total
    // of bytes, so the result is allocated once and every line is copied once with its known size;
    // only the first and the last line are walked, to find their columns. (Appending to a
    // juce::String measures the whole string at every append: the square of the log's size.)
    juce::String joinLines (TextPos from, TextPos to, bool lineEndAfterLast) const
    {
        const auto startByte = firstByteOf (from.line) + byteOfColumn (from.line, from.column);
        const auto endByte = firstByteOf (to.line) + byteOfColumn (to.line, to.column);
        const auto lineEnds = (size_t) (to.line - from.line + (lineEndAfterLast ? 1 : 0));

        juce::String text;
        text.preallocateBytes (endByte - startByte + lineEnds);
        auto* dest = text.getCharPointer().getAddress();

        for (int i = from.line; i <= to.line; ++i)
        {
            // The part of line i that is joined, as offsets into the whole text's bytes.
            const auto begin = juce::jmax (startByte, firstByteOf (i));
            const auto end = juce::jmin (endByte, byteTotals[(size_t) i]);
            const auto* source = lines.getReference (i).getCharPointer().getAddress();

            std::memcpy (dest, source + (begin - firstByteOf (i)), end - begin);
            dest += end - begin;

            if (i < to.line || lineEndAfterLast)
                *dest++ = '\n';
        }

        *dest = 0;
        return text;
    }

    // ---- layout
    int barThickness() { return getLookAndFeel().getDefaultScrollbarWidth(); }

    double contentHeight() const { return (double) totalRows() * lineHeight + 2 * textMargin; }

    void updateLayout()
    {
        const int w = getWidth();
        const int h = getHeight();
        const int bar = barThickness();

        // Where the view stands before a re-wrap: following the end of the log, or a line at the top.
        const bool atEnd = ! vertical.isVisible() || scrollY() + viewHeight >= contentHeight() - 1.0;
        const int topLine = firstVisibleLine();
        bool rewrapped = false;

        // The bar stays as it is while that still suits the text, so lines appended to a long log
        // never wrap the others again.
        if (vertical.isVisible())
        {
            rewrapped |= rewrapTo (capacityFor (w - bar));

            if (contentHeight() <= h)
            {
                rewrapped |= rewrapTo (capacityFor (w));

                if (contentHeight() > h)
                    rewrapTo (capacityFor (w - bar));
                else
                    vertical.setVisible (false);
            }
        }
        else
        {
            rewrapped |= rewrapTo (capacityFor (w));

            if (contentHeight() > h)
            {
                rewrapped |= rewrapTo (capacityFor (w - bar));
                vertical.setVisible (true);
            }
        }

        viewWidth = juce::jmax (0, w - (vertical.isVisible() ? bar : 0));
        viewHeight = juce::jmax (0, h);
        vertical.setBounds (viewWidth, 0, bar, viewHeight);

        vertical.setRangeLimits (0.0, juce::jmax (contentHeight(), (double) viewHeight), juce::dontSendNotification);
        vertical.setCurrentRange (vertical.getCurrentRangeStart(), viewHeight, juce::dontSendNotification);
        vertical.setSingleStepSize (lineHeight);

        if (rewrapped && ! lines.isEmpty())
        {
            if (atEnd)
            {
                vertical.setCurrentRangeStart (vertical.getMaximumRangeLimit(), juce::dontSendNotification);
            }
            else
            {
                const auto row = firstRowOf (topLine);
                vertical.setCurrentRangeStart (row == 0 ? 0.0 : textMargin + (double) row * lineHeight,
                                               juce::dontSendNotification);
            }
        }
    }

    void resized() override
    {
        updateLayout();
        repaint();
    }

    double scrollY() const { return vertical.getCurrentRangeStart(); }

    int64_t firstVisibleRow() const
    {
        return (int64_t) juce::jmax (0.0, std::floor ((scrollY() - textMargin) / lineHeight));
    }

    int firstVisibleLine() const
    {
        return rowTotals.empty() ? 0 : lineOfRow (firstVisibleRow());
    }

    float rowTop (int64_t row) const { return (float) (textMargin + (double) row * lineHeight - scrollY()); }
    float columnX (int column) const { return (float) textMargin + (float) column * charWidth; }

    // ---- drawing
    void paint (juce::Graphics& g) override
    {
        auto& lf = getLookAndFeel();
        g.fillAll (lf.findColour (juce::TextEditor::backgroundColourId));

        if (lines.isEmpty())
            return;

        g.saveState();
        g.reduceClipRegion (0, 0, viewWidth, viewHeight);
        g.setFont (font);

        const auto firstRow = firstVisibleRow();
        const auto lastRow = juce::jmin (totalRows() - 1, firstRow + viewHeight / lineHeight + 1);
        const auto [selStart, selEnd] = orderedSelection();
        const bool selecting = hasSelection();
        const auto highlight = lf.findColour (juce::TextEditor::highlightColourId);
        const auto textColour = lf.findColour (juce::TextEditor::textColourId);

        for (int i = lineOfRow (firstRow); i < lines.size() && firstRowOf (i) <= lastRow; ++i)
        {
            const auto& line = lines.getReference (i);
            const auto rows = rowRangesOf (i);

            for (size_t r = 0; r < rows.size(); ++r)
            {
                const auto row = firstRowOf (i) + (int64_t) r;

                if (row < firstRow || row > lastRow)
                    continue;

                const float top = rowTop (row);
                const auto range = rows[r];
                const bool lastRowOfLine = r + 1 == rows.size();

                if (selecting && selStart.line <= i && i <= selEnd.line)
                {
                    // A selection that runs on past the line's end also covers its line break.
                    const int from = juce::jmax (range.getStart(), i == selStart.line ? selStart.column : 0);
                    const int to = i == selEnd.line ? juce::jmin (range.getEnd(), selEnd.column)
                                                    : range.getEnd() + (lastRowOfLine ? 1 : 0);

                    if (to > from)
                    {
                        g.setColour (highlight);
                        g.fillRect (columnX (from - range.getStart()), top, (float) (to - from) * charWidth, (float) lineHeight);
                    }
                }

                if (! range.isEmpty())
                {
                    g.setColour (textColour);
                    g.drawSingleLineText (line.substring (range.getStart(), range.getEnd()),
                                          juce::roundToInt (columnX (0)),
                                          juce::roundToInt (top + font.getAscent()));
                }
            }
        }

        g.restoreState();
    }

    void paintOverChildren (juce::Graphics& g) override
    {
        g.setColour (getLookAndFeel().findColour (juce::TextEditor::outlineColourId));
        g.drawRect (getLocalBounds());
    }

    juce::Rectangle<float> characterBounds (TextPos p) const
    {
        if (lines.isEmpty())
            return {};

        p = clampPos (p);
        const auto rows = rowRangesOf (p.line);
        size_t r = 0;

        // A column at a break belongs to the row it starts.
        while (r + 1 < rows.size() && p.column >= rows[r].getEnd())
            ++r;

        return { columnX (p.column - rows[r].getStart()), rowTop (firstRowOf (p.line) + (int64_t) r), charWidth, (float) lineHeight };
    }

    // ---- selection
    bool hasSelection() const { return ! (anchor == caret); }

    // Drops the selection, leaving anchor and caret after the last character of the log, so that a
    // drag under way or a later shift-click selects from there.
    void collapseSelectionToEnd()
    {
        anchor = caret = endOfLog();
    }

    TextPos endOfLog() const
    {
        return clampPos ({ lines.size() - 1, std::numeric_limits<int>::max() });
    }

    std::pair<TextPos, TextPos> orderedSelection() const
    {
        return caret < anchor ? std::make_pair (caret, anchor) : std::make_pair (anchor, caret);
    }

    TextPos clampPos (TextPos p) const
    {
        if (lines.isEmpty())
            return {};

        p.line = juce::jlimit (0, lines.size() - 1, p.line);
        p.column = juce::jlimit (0, lines.getReference (p.line).length(), p.column);
        return p;
    }

    // The line and column under a point: the row from its height, the column within that row. The
    // row is clamped to the log while still a double, so that no point is too far off to convert.
    TextPos posAt (juce::Point<float> point) const
    {
        if (lines.isEmpty())
            return {};

        const auto y = std::floor ((point.y + scrollY() - textMargin) / lineHeight);
        const auto row = (int64_t) juce::jlimit (0.0, (double) (totalRows() - 1), y);
        const int line = lineOfRow (row);
        const auto range = rowRangesOf (line)[(size_t) (row - firstRowOf (line))];
        const auto column = range.getStart() + juce::roundToInt ((point.x - textMargin) / charWidth);
        return { line, juce::jlimit (range.getStart(), range.getEnd(), column) };
    }

    void select (TextPos from, TextPos to)
    {
        anchor = clampPos (from);
        caret = clampPos (to);
        repaint();
    }

    juce::String selectedText() const
    {
        if (! hasSelection())
            return {};

        const auto [from, to] = orderedSelection();
        return joinLines (from, to, false);
    }

    void mouseDown (const juce::MouseEvent& e) override
    {
        // The log has no pop-up menu: other buttons than the left one do nothing.
        if (! e.mods.isLeftButtonDown())
            return;

        const auto p = posAt (e.position);

        if (e.mods.isShiftDown())
            select (anchor, p);
        else
            select (p, p);
    }

    void mouseDrag (const juce::MouseEvent& e) override
    {
        if (! e.mods.isLeftButtonDown())
            return;

        if (e.y < 0)
            vertical.moveScrollbarInSteps (-1, juce::dontSendNotification);
        else if (e.y > viewHeight)
            vertical.moveScrollbarInSteps (1, juce::dontSendNotification);

        select (anchor, posAt (e.position));
    }

    void mouseDoubleClick (const juce::MouseEvent& e) override
    {
        const auto p = posAt (e.position);
        select ({ p.line, 0 }, { p.line, std::numeric_limits<int>::max() });
    }

    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override
    {
        if (wheel.deltaY != 0.0f)
            vertical.mouseWheelMove (e, wheel);
    }

    bool keyPressed (const juce::KeyPress& key) override
    {
        const auto command = juce::ModifierKeys::commandModifier;

        if (key == juce::KeyPress ('c', command, 0) || key == juce::KeyPress (juce::KeyPress::insertKey, juce::ModifierKeys::ctrlModifier, 0))
        {
            if (hasSelection())
                juce::SystemClipboard::copyTextToClipboard (selectedText());

            return true;
        }

        if (key == juce::KeyPress ('a', command, 0))
        {
            select ({ 0, 0 }, { lines.size() - 1, std::numeric_limits<int>::max() });
            return true;
        }

        const double page = juce::jmax (lineHeight, viewHeight - lineHeight);

        if (key.isKeyCode (juce::KeyPress::pageUpKey))
        {
            scrollBy (-page);
            return true;
        }
        if (key.isKeyCode (juce::KeyPress::pageDownKey))
        {
            scrollBy (page);
            return true;
        }
        if (key.isKeyCode (juce::KeyPress::upKey))
        {
            scrollBy (-lineHeight);
            return true;
        }
        if (key.isKeyCode (juce::KeyPress::downKey))
        {
            scrollBy (lineHeight);
            return true;
        }
        if (key.isKeyCode (juce::KeyPress::homeKey))
        {
            scrollBy (-vertical.getMaximumRangeLimit());
            return true;
        }
        if (key.isKeyCode (juce::KeyPress::endKey))
        {
            scrollBy (vertical.getMaximumRangeLimit());
            return true;
        }

        return false;
    }

    void scrollBy (double delta)
    {
        vertical.setCurrentRangeStart (scrollY() + delta, juce::dontSendNotification);
        repaint();
    }

    void scrollBarMoved (juce::ScrollBar*, double) override { repaint(); }

    // ---- state
    juce::Array<juce::String> lines;
    std::vector<int64_t> rowTotals; // rows of lines 0 to i, for every line i
    std::vector<size_t> byteTotals; // UTF-8 bytes of lines 0 to i (no line ends), for every line i
    mutable std::vector<juce::juce_wchar> scratch; // message thread only
    int capacity = 1; // characters a row holds
    juce::Font font;
    float charWidth = 7.0f;
    int lineHeight = 14;
    int viewWidth = 0;
    int viewHeight = 0;
    TextPos anchor, caret; // the selection, from anchor to caret; empty when equal
    juce::ScrollBar vertical { true };
};

MessageLogView::MessageLogView()
    : impl (std::make_unique<Impl>())
{
    addAndMakeVisible (*impl);
}

MessageLogView::~MessageLogView() = default;

void MessageLogView::appendLine (const juce::String& line)
{
    impl->append (line);
}

void MessageLogView::clear()
{
    impl->clearAll();
}

int MessageLogView::getNumLines() const
{
    return impl->lines.size();
}

juce::String MessageLogView::getLine (int index) const
{
    return impl->lines[index];
}

juce::String MessageLogView::getText() const
{
    if (impl->lines.isEmpty())
        return {};

    return impl->joinLines ({}, impl->endOfLog(), true);
}

juce::String MessageLogView::getSelectedText() const
{
    return impl->selectedText();
}

bool MessageLogView::hasSelection() const
{
    return impl->hasSelection();
}

void MessageLogView::setSelection (int startLine, int startColumn, int endLine, int endColumn)
{
    impl->select ({ startLine, startColumn }, { endLine, endColumn });
}

int MessageLogView::getFirstVisibleLine() const
{
    return impl->firstVisibleLine();
}

juce::Rectangle<float> MessageLogView::getCharacterBounds (int line, int column) const
{
    return impl->characterBounds ({ line, column }).translated ((float) impl->getX(), (float) impl->getY());
}

void MessageLogView::resized()
{
    impl->setBounds (getLocalBounds());
}
