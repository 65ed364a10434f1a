#include "app/MessageLogView.h"

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
} // namespace

// The area that draws the lines, with its two scroll bars. Only the lines in sight are drawn, and
// the widest line is tracked as lines come, so nothing here walks the whole log but getText and
// a copy of the selection.
struct MessageLogView::Impl : public juce::Component,
                              private juce::ScrollBar::Listener
{
    Impl()
    {
        font = juce::Font (juce::Font::getDefaultMonospacedFontName(), fontHeight, juce::Font::plain);
        charWidth = juce::jmax (1.0f, font.getStringWidthFloat ("M"));
        lineHeight = juce::roundToInt (std::ceil (font.getHeight()));

        for (auto* bar : { &vertical, &horizontal })
        {
            bar->setAutoHide (false);
            bar->addListener (this);
            addChildComponent (bar);
        }

        setWantsKeyboardFocus (true);
        setMouseCursor (juce::MouseCursor::IBeamCursor);
    }

    ~Impl() override
    {
        vertical.removeListener (this);
        horizontal.removeListener (this);
    }

    // ---- content
    void append (const juce::String& line)
    {
        auto text = withoutLineEnd (line);
        widestLine = juce::jmax (widestLine, text.length());
        lines.add (std::move (text));
        dropSelection();
        updateLayout();
        vertical.setCurrentRangeStart (vertical.getMaximumRangeLimit(), juce::dontSendNotification);
        repaint();
    }

    void clearAll()
    {
        lines.clearQuick();
        lines.minimiseStorageOverheads();
        widestLine = 0;
        dropSelection();
        updateLayout();
        vertical.setCurrentRangeStart (0.0, juce::dontSendNotification);
        horizontal.setCurrentRangeStart (0.0, juce::dontSendNotification);
        repaint();
    }

    // ---- layout
    int barThickness() { return getLookAndFeel().getDefaultScrollbarWidth(); }

    void updateLayout()
    {
        const int w = getWidth();
        const int h = getHeight();
        const int bar = barThickness();
        const double contentHeight = (double) lines.size() * lineHeight + 2 * textMargin;
        const double contentWidth = widestLine * (double) charWidth + 2 * textMargin;

        bool needV = contentHeight > h;
        const bool needH = contentWidth > w - (needV ? bar : 0);
        needV = needV || (needH && contentHeight > h - bar);

        viewWidth = juce::jmax (0, w - (needV ? bar : 0));
        viewHeight = juce::jmax (0, h - (needH ? bar : 0));

        vertical.setVisible (needV);
        horizontal.setVisible (needH);
        vertical.setBounds (viewWidth, 0, bar, viewHeight);
        horizontal.setBounds (0, viewHeight, viewWidth, bar);

        vertical.setRangeLimits (0.0, juce::jmax (contentHeight, (double) viewHeight), juce::dontSendNotification);
        vertical.setCurrentRange (vertical.getCurrentRangeStart(), viewHeight, juce::dontSendNotification);
        vertical.setSingleStepSize (lineHeight);
        horizontal.setRangeLimits (0.0, juce::jmax (contentWidth, (double) viewWidth), juce::dontSendNotification);
        horizontal.setCurrentRange (horizontal.getCurrentRangeStart(), viewWidth, juce::dontSendNotification);
        horizontal.setSingleStepSize (charWidth);
    }

    void resized() override
    {
        updateLayout();
        repaint();
    }

    double scrollY() const { return vertical.getCurrentRangeStart(); }
    double scrollX() const { return horizontal.getCurrentRangeStart(); }

    int firstVisibleLine() const
    {
        return juce::jmax (0, (int) std::floor ((scrollY() - textMargin) / lineHeight));
    }

    // ---- drawing
    void paint (juce::Graphics& g) override
    {
        auto& lf = getLookAndFeel();
        g.fillAll (lf.findColour (juce::TextEditor::backgroundColourId));

        g.saveState();
        g.reduceClipRegion (0, 0, viewWidth, viewHeight);
        g.setFont (font);

        const int first = firstVisibleLine();
        const int last = juce::jmin (lines.size() - 1, first + viewHeight / lineHeight + 1);
        const int firstColumn = juce::jmax (0, (int) std::floor (scrollX() / charWidth) - 1);
        const int numColumns = (int) std::ceil (viewWidth / charWidth) + 2;
        const auto [selStart, selEnd] = orderedSelection();
        const auto highlight = lf.findColour (juce::TextEditor::highlightColourId);
        const auto textColour = lf.findColour (juce::TextEditor::textColourId);

        for (int i = first; i <= last; ++i)
        {
            const float top = (float) (textMargin + i * lineHeight - scrollY());
            const auto& line = lines.getReference (i);

            if (hasSelection() && selStart.line <= i && i <= selEnd.line)
            {
                const int from = i == selStart.line ? selStart.column : 0;
                const int to = i == selEnd.line ? selEnd.column : line.length() + 1;
                g.setColour (highlight);
                g.fillRect (columnX (from), top, (float) (to - from) * charWidth, (float) lineHeight);
            }

            if (firstColumn < line.length())
            {
                g.setColour (textColour);
                g.drawSingleLineText (line.substring (firstColumn, firstColumn + numColumns),
                                      juce::roundToInt (columnX (firstColumn)),
                                      juce::roundToInt (top + font.getAscent()));
            }
        }

        g.restoreState();
    }

    void paintOverChildren (juce::Graphics& g) override
    {
        g.setColour (getLookAndFeel().findColour (juce::TextEditor::outlineColourId));
        g.drawRect (getLocalBounds());
    }

    float columnX (int column) const { return (float) (textMargin + column * (double) charWidth - scrollX()); }

    // ---- selection
    bool hasSelection() const { return ! (anchor == caret); }

    void dropSelection()
    {
        anchor = caret = {};
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

    TextPos posAt (juce::Point<float> point) const
    {
        const auto line = (int) std::floor ((point.y + scrollY() - textMargin) / lineHeight);
        const auto column = juce::roundToInt ((point.x + scrollX() - textMargin) / charWidth);
        return clampPos ({ line, column });
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
        juce::String text;

        for (int i = from.line; i <= to.line; ++i)
        {
            const auto& line = lines.getReference (i);
            const int start = i == from.line ? from.column : 0;

            if (i == to.line)
                text << line.substring (start, to.column);
            else
                text << line.substring (start) << "\n";
        }

        return text;
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
        else if (wheel.deltaX != 0.0f)
            horizontal.mouseWheelMove (e, wheel);
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
    int widestLine = 0; // in characters
    juce::Font font;
    float charWidth = 7.0f;
    int lineHeight = 14;
    int viewWidth = 0;
    int viewHeight = 0;
    TextPos anchor, caret; // the selection, from anchor to caret; empty when equal
    juce::ScrollBar vertical { true };
    juce::ScrollBar horizontal { false };
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
    juce::String text;

    for (auto& line : impl->lines)
        text << line << "\n";

    return text;
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

void MessageLogView::resized()
{
    impl->setBounds (getLocalBounds());
}
