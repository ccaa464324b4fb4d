// Errors as Node's util.inspect shows them: their stack, named as their
// class says, with the own properties the stack does not show.

#include "Inspector.h"

#include <algorithm>

namespace qor::tools::qorjs::inspection {
namespace {

// "TypeError [tag]: ..." where the class or tag says more than the stack,
// for errors whose stack starts as errors' do.
std::string namedStack(std::string stack, std::string const& errorName, std::optional<std::string> const& constructor,
                       std::string const& tag) {
    std::size_t length = errorName.size();
    if (!constructor || (errorName.ends_with("Error") && stack.starts_with(errorName) &&
                         (stack.size() == length || stack[length] == ':' || stack[length] == '\n'))) {
        std::string fallback = "Error";
        if (!constructor) {
            std::size_t const end = stack.find_first_of(":\n");
            fallback = stack.substr(0, end == std::string::npos ? stack.size() : end);
            if (fallback.empty() || !(fallback[0] >= 'A' && fallback[0] <= 'Z'))
                fallback.clear();
            length = fallback.size();
            if (fallback.empty())
                fallback = "Error";
        }
        std::string start = prefix(constructor, tag, fallback);
        start.pop_back();
        if (errorName != start) {
            if (start.find(errorName) != std::string::npos)
                stack = length == 0 ? start + ": " + stack : start + stack.substr(length);
            else
                stack = start + " [" + errorName + "]" + stack.substr(length);
        }
    }
    return stack;
}

} // namespace

// Own properties the stack shows already are not listed again; the cause
// and an AggregateError's errors are, though they are not enumerable.
void Inspector::dropShownKeys(v8::Local<v8::Object> error, std::string const& stack,
                              std::vector<v8::Local<v8::Value>>& keys) {
    std::erase_if(keys, [&](v8::Local<v8::Value> key) {
        if (!key->IsString())
            return false;
        std::string const keyName = utf8Of(isolate_, key.As<v8::String>());
        if (keyName != "name" && keyName != "message" && keyName != "stack")
            return false;
        v8::Local<v8::Value> shown = read(error, key);
        return !shown.IsEmpty() && stack.find(textOf(shown)) != std::string::npos;
    });
    for (char const* extra : {"cause", "errors"}) {
        v8::Local<v8::String> key = name(extra);
        bool const listed = std::ranges::any_of(keys, [&](auto const& k) { return k->StrictEquals(key); });
        if (listed || !error->Has(context_, key).FromMaybe(false))
            continue;
        if (std::string_view(extra) == "errors") {
            v8::Local<v8::Value> errors = read(error, key);
            if (errors.IsEmpty() || !errors->IsArray())
                continue;
        }
        keys.push_back(key);
    }
}

// An error as its stack shows it, its name made plain where the stack does
// not say it, indented with the entry it stands in.
std::string Inspector::errorBase(v8::Local<v8::Object> error, std::optional<std::string> const& constructor,
                                 std::string const& tag, std::vector<v8::Local<v8::Value>>& keys) {
    v8::Local<v8::Value> nameValue = read(error, "name");
    v8::Local<v8::Value> messageValue = read(error, "message");
    v8::Local<v8::Value> stackValue = read(error, "stack");
    std::string const errorName = nameValue.IsEmpty() || nameValue->IsNullOrUndefined() || nameValue->IsSymbol()
                                      ? std::string("Error")
                                      : textOf(nameValue);
    std::string const message = messageValue.IsEmpty() || messageValue->IsSymbol() ? std::string()
                                                                                    : textOf(messageValue);
    std::string stack;
    if (!stackValue.IsEmpty() && stackValue->BooleanValue(isolate_) && !stackValue->IsSymbol())
        stack = textOf(stackValue);
    else
        stack = message.empty() ? errorName : errorName.empty() ? message : errorName + ": " + message;
    dropShownKeys(error, stack, keys);
    stack = namedStack(stack, errorName, constructor, tag);
    // A stack without frames is shown in brackets.
    std::size_t position = message.empty() ? std::string::npos : stack.find(message);
    position = position == std::string::npos ? 0 : position + message.size();
    if (stack.find("\n    at", position) == std::string::npos)
        stack = "[" + stack + "]";
    if (indentation_ != 0) {
        std::string const indentation(indentation_, ' ');
        for (std::size_t at = stack.find('\n'); at != std::string::npos; at = stack.find('\n', at + 1))
            stack.insert(at + 1, indentation);
    }
    return stack;
}

} // namespace qor::tools::qorjs::inspection
