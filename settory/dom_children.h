#pragma once
// Walking a document's elements: the child elements of a node in document order, skipping text and
// comments.
#include <windows.h>
#include <msxml2.h>

#include "base/com_ptr.h"
#include "base/cstringw.h"

namespace settory {

inline CStringW NodeName(IXMLDOMNode* node) {
    base::Bstr name;
    if (!node || FAILED(node->get_nodeName(name.Put()))) return CStringW();
    return CStringW(name.CStr());
}

template <typename Visit>
void ForEachChildElement(IXMLDOMNode* parent, Visit visit) {
    base::ComPtr<IXMLDOMNode> child;
    if (!parent || parent->get_firstChild(child.Put()) != S_OK) return;
    while (child) {
        DOMNodeType type = NODE_INVALID;
        child->get_nodeType(&type);
        if (type == NODE_ELEMENT) {
            base::ComPtr<IXMLDOMElement> element;
            if (SUCCEEDED(child.As(IID_IXMLDOMElement, element))) visit(element);
        }
        base::ComPtr<IXMLDOMNode> next;
        if (child->get_nextSibling(next.Put()) != S_OK) break;
        child = next;
    }
}

}  // namespace settory
