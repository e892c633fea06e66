// Capture XML as a tree, and the full states rebuilt from the first one and the deltas after it. This is
// the independent reading of a delta: it parses the XML, where the recorder's comparison never does.
#include "StateTree.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace
{
// The children that identify an element between two states, by the element's name.
const std::map<std::string, std::vector<std::string>>& KeyChildren()
{
    static const std::map<std::string, std::vector<std::string>> keys = {
        {"Window", {"hWnd", "hParentWnd", "ClassName"}},
        {"Menu", {"hMenu"}},
        {"MenuItem", {"hMenu", "ID", "Index"}},
        {"Task", {"ThreadID", "hTask16", "hMod16"}},
        {"ToolBarButton", {"Index"}},
    };
    return keys;
}

class Parser
{
  public:
    explicit Parser(const std::string& textIn) : text(textIn) {}

    std::unique_ptr<Element> Document(std::string* pError)
    {
        SkipMisc();
        std::unique_ptr<Element> root = ParseElement();
        if (root) SkipMisc();
        if (root && ib != text.size()) error = "text after the root element";
        if (!error.empty())
        {
            *pError = error + " (at byte " + std::to_string(ib) + ")";
            return nullptr;
        }
        return root;
    }

  private:
    bool At(const char* psz) const { return text.compare(ib, strlen(psz), psz) == 0; }

    // Whitespace, the declaration and comments.
    void SkipMisc()
    {
        for (;;)
        {
            while (ib < text.size() && isspace(static_cast<unsigned char>(text[ib])))
                ++ib;
            if (At("<?") || At("<!--"))
            {
                size_t ibEnd = text.find(At("<?") ? "?>" : "-->", ib);
                ib = ibEnd == std::string::npos ? text.size() : ibEnd + (At("<?") ? 2 : 3);
                continue;
            }
            return;
        }
    }

    std::unique_ptr<Element> ParseElement()
    {
        if (!At("<"))
        {
            error = "an element was expected";
            return nullptr;
        }
        size_t ibGt = text.find('>', ib);
        if (ibGt == std::string::npos)
        {
            error = "a start tag does not end";
            return nullptr;
        }
        auto element = std::make_unique<Element>();
        std::string tag = text.substr(ib + 1, ibGt - ib - 1);
        bool bEmpty = !tag.empty() && tag.back() == '/';
        if (bEmpty) tag.pop_back();
        size_t ichSpace = tag.find_first_of(" \t\n");
        element->name = tag.substr(0, ichSpace);
        if (ichSpace != std::string::npos) element->attributes = tag.substr(ichSpace);
        ib = ibGt + 1;
        if (bEmpty) return element;

        std::string closing = "</" + element->name + ">";
        std::string characters;
        while (ib < text.size())
        {
            if (At("<!--"))
            {
                size_t ibEnd = text.find("-->", ib);
                ib = ibEnd == std::string::npos ? text.size() : ibEnd + 3;
            }
            else if (At(closing.c_str()))
            {
                ib += closing.size();
                if (element->children.empty()) element->text = characters;
                return element;
            }
            else if (At("</"))
            {
                error = "</" + element->name + "> expected";
                return nullptr;
            }
            else if (At("<"))
            {
                std::unique_ptr<Element> child = ParseElement();
                if (!child) return nullptr;
                element->children.push_back(std::move(child));
            }
            else
                characters += text[ib++];
        }
        error = "<" + element->name + "> does not end";
        return nullptr;
    }

    const std::string& text;
    size_t ib = 0;
    std::string error;
};

// The attributes without the delta's own "state" attribute, which the comparison puts last.
std::string WithoutState(const std::string& attributes)
{
    size_t ich = attributes.find(" state=\"");
    return ich == std::string::npos ? attributes : attributes.substr(0, ich);
}

// A simple value loses trailing tabs and line feeds where a delta writes it as new.
std::string TrimValue(const std::string& text)
{
    size_t cch = text.size();
    while (cch > 0 && (text[cch - 1] == '\t' || text[cch - 1] == '\n'))
        --cch;
    return text.substr(0, cch);
}

const Element* FirstChild(const Element& element, const std::string& name)
{
    for (const auto& child : element.children)
        if (child->name == name) return child.get();
    return nullptr;
}

// Whether a delta element names this element of the previous state: the same start tag and, for the
// kinds that have them, the same key children.
bool Names(const Element& delta, const Element& target)
{
    if (delta.name != target.name || WithoutState(delta.attributes) != target.attributes) return false;
    auto keys = KeyChildren().find(delta.name);
    if (keys == KeyChildren().end()) return true;
    for (const std::string& key : keys->second)
    {
        const Element* pDelta = FirstChild(delta, key);
        const Element* pTarget = FirstChild(target, key);
        // A delta element carries its keys unless the element had no children at all.
        if (!pDelta) return delta.children.empty();
        if (!pTarget || pTarget->text != pDelta->text) return false;
    }
    return true;
}

std::unique_ptr<Element> NewElement(const Element& delta)
{
    std::unique_ptr<Element> element = delta.Clone();
    element->attributes = WithoutState(delta.attributes);
    if (element->children.empty())
    {
        std::string text = delta.text;
        if (!text.empty() && text[0] == '\n') text.erase(0, 1);
        element->text = TrimValue(text);
    }
    return element;
}

bool Apply(const Element& delta, Element* pState, const std::string& path, std::string* pError)
{
    std::vector<std::unique_ptr<Element>> old = std::move(pState->children);
    std::vector<bool> deleted(old.size(), false), taken(old.size(), false);
    std::vector<std::unique_ptr<Element>> added;
    size_t iNext = 0;
    for (const auto& change : delta.children)
    {
        std::string state = change->State();
        if (state.empty()) continue; // an unchanged key child, there to name its parent
        if (state == "New")
        {
            added.push_back(NewElement(*change));
            continue;
        }
        // Changed and deleted elements stand in the order of the previous state, so the search goes on
        // from the last one found. A rebuilt state holds its new elements last, wherever the recorder saw
        // them, so an element not found after that point is looked for among the untaken ones before it.
        size_t i = old.size();
        for (size_t n = 0; n < old.size() && i == old.size(); ++n)
        {
            size_t j = (iNext + n) % old.size();
            if (!taken[j] && Names(*change, *old[j])) i = j;
        }
        if (i == old.size())
        {
            *pError =
                path + "/" + change->name + ": no element of the previous state for a " + state + " one";
            return false;
        }
        taken[i] = true;
        iNext = i + 1;
        if (state == "Deleted")
            deleted[i] = true;
        else if (state != "Modified")
        {
            *pError = path + "/" + change->name + ": unknown state \"" + state + "\"";
            return false;
        }
        else if (change->children.empty() && old[i]->children.empty())
            old[i]->text = change->text;
        else if (!Apply(*change, old[i].get(), path + "/" + change->name, pError))
            return false;
    }
    for (size_t i = 0; i < old.size(); ++i)
        if (!deleted[i]) pState->children.push_back(std::move(old[i]));
    for (auto& element : added)
        pState->children.push_back(std::move(element));
    return true;
}

std::string Canonical(const Element& element)
{
    std::string text = "<" + element.name + element.attributes + ">";
    if (element.children.empty()) return text + TrimValue(element.text) + "</>";
    std::vector<std::string> children;
    for (const auto& child : element.children)
        children.push_back(Canonical(*child));
    std::sort(children.begin(), children.end());
    for (const std::string& child : children)
        text += child;
    return text + "</>";
}

std::string Excerpt(const std::string& text)
{
    return text.size() > 160 ? text.substr(0, 160) + "..." : text;
}

std::string Compare(const Element& a, const Element& b, const std::string& path)
{
    std::string here = path + "/" + a.name;
    if (a.name != b.name || a.attributes != b.attributes)
        return here + ": <" + a.name + a.attributes + "> against <" + b.name + b.attributes + ">";
    if (a.children.empty() && b.children.empty())
        return TrimValue(a.text) == TrimValue(b.text)
                   ? ""
                   : here + ": \"" + Excerpt(a.text) + "\" against \"" + Excerpt(b.text) + "\"";
    // Children matched in order where they agree; the first that has no equal on the other side is named.
    std::multimap<std::string, const Element*> others;
    for (const auto& child : b.children)
        others.emplace(Canonical(*child), child.get());
    std::vector<const Element*> unmatched;
    for (const auto& child : a.children)
    {
        auto it = others.find(Canonical(*child));
        if (it == others.end())
            unmatched.push_back(child.get());
        else
            others.erase(it);
    }
    if (unmatched.empty() && others.empty()) return "";
    // One element on each side with the same start tag: the difference lies inside it.
    if (unmatched.size() == 1 && others.size() == 1 && unmatched[0]->name == others.begin()->second->name)
        return Compare(*unmatched[0], *others.begin()->second, here);
    if (!unmatched.empty()) return here + ": only in the first: " + Excerpt(Canonical(*unmatched[0]));
    return here + ": only in the second: " + Excerpt(others.begin()->first);
}
} // namespace

std::unique_ptr<Element> Element::Clone() const
{
    auto copy = std::make_unique<Element>();
    copy->name = name;
    copy->attributes = attributes;
    copy->text = text;
    for (const auto& child : children)
        copy->children.push_back(child->Clone());
    return copy;
}

std::string Element::State() const
{
    size_t ich = attributes.find(" state=\"");
    if (ich == std::string::npos) return "";
    size_t ichValue = ich + 8;
    size_t ichEnd = attributes.find('"', ichValue);
    return ichEnd == std::string::npos ? "" : attributes.substr(ichValue, ichEnd - ichValue);
}

std::unique_ptr<Element> ParseXml(const std::string& text, std::string* pError)
{
    return Parser(text).Document(pError);
}

std::string Serialize(const Element& element, int nIndent)
{
    std::string tabs(static_cast<size_t>(nIndent), '\t');
    std::string start = "<" + element.name + element.attributes + ">";
    if (element.children.empty()) return tabs + start + element.text + "</" + element.name + ">\n";
    std::string text = tabs + start + "\n";
    for (const auto& child : element.children)
        text += Serialize(*child, nIndent + 1);
    return text + tabs + "</" + element.name + ">\n";
}

bool RebuildStates(const Element& root, std::vector<std::unique_ptr<Element>>* pStates, std::string* pError)
{
    for (const auto& child : root.children)
    {
        if (child->name == "GetStateEvent")
            pStates->push_back(child->Clone());
        else if (child->name == "EventStateChanges")
        {
            if (pStates->empty())
            {
                *pError = "a delta before the first full state";
                return false;
            }
            std::unique_ptr<Element> state = pStates->back()->Clone();
            if (!Apply(*child, state.get(), "state " + std::to_string(pStates->size() + 1), pError))
                return false;
            pStates->push_back(std::move(state));
        }
    }
    return true;
}

std::string CompareStates(const Element& a, const Element& b)
{
    return Compare(a, b, "");
}
