// tools/RebuildStates/StateTree.h — capture XML as a tree of elements, the states in it rebuilt in full
// from the first state and the "EventStateChanges" that follow, and states compared element for element.
#pragma once
#include <memory>
#include <string>
#include <vector>

struct Element
{
    std::string name;
    std::string attributes; // as written, after the name: ' state="New"', ' StateID="2" EventType="..."'
    std::string text;       // the value of an element without children, as written (escaped)
    std::vector<std::unique_ptr<Element>> children;

    std::unique_ptr<Element> Clone() const;
    // The value of a "state" attribute, empty when there is none.
    std::string State() const;
};

// Parses a capture file (declaration, comments, one root); null with a reason on malformed text.
std::unique_ptr<Element> ParseXml(const std::string& text, std::string* pError);

// Written as the recorder writes: tabs, one element per line, a simple value on its line.
std::string Serialize(const Element& element, int nIndent);

// Every state of the capture in full, in order: each "GetStateEvent" as it stands, each
// "EventStateChanges" applied to the state before it. False with a reason when a delta does not fit.
bool RebuildStates(const Element& root, std::vector<std::unique_ptr<Element>>* pStates, std::string* pError);

// Empty when equal; otherwise where they first differ. Siblings are compared regardless of their order,
// since a delta writes new elements after the others.
std::string CompareStates(const Element& a, const Element& b);
