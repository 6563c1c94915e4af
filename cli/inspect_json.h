// quorvel-inspect --json: a text view as one JSON document, in the shape
// docs/json.md describes and docs/json.schema.json checks. The data are those
// the text views print, taken from where they take them.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct InspectOptions;
namespace pdf {
class Document;
}  // namespace pdf

struct JsonView {
  std::string name;  // "tree", "select", "object", ...
  nlohmann::ordered_json result;
};

// The view the options ask for, as JSON. False when it cannot be shown (a bad
// path, an object the chain does not list, a regular expression that does
// not compile), with the reason in `error`.
bool MakeJsonView(pdf::Document& doc, const InspectOptions& options, JsonView* view,
                  std::string* error);

// The whole document, with a line feed at its end; `messages` are the
// findings of the open and of the view, in order.
std::string JsonDocumentText(pdf::Document& doc, const InspectOptions& options, JsonView view,
                             const std::vector<std::string>& messages);
