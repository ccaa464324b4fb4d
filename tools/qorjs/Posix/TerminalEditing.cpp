#include "../LineEditor.h"

#include <histedit.h>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace qor::tools::qorjs {
namespace {

constexpr int historySize = 1000;

// The longest beginning all names share.
std::string sharedStart(std::vector<std::string> const& names) {
    std::string shared = names.front();
    for (std::string const& name : names)
        shared.resize(static_cast<std::size_t>(std::ranges::mismatch(shared, name).in1 - shared.begin()));
    return shared;
}

int terminalWidth() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// The choices in columns below the line, which is then shown again.
void showChoices(std::vector<std::string> const& names) {
    std::size_t width = 0;
    for (std::string const& name : names)
        width = std::max(width, name.size());
    width += 2;
    std::size_t const columns = std::max<std::size_t>(1, static_cast<std::size_t>(terminalWidth()) / width);
    std::string out = "\n";
    for (std::size_t i = 0; i < names.size(); ++i) {
        bool const last = (i + 1) % columns == 0 || i + 1 == names.size();
        out += last ? names[i] + "\n" : names[i] + std::string(width - names[i].size(), ' ');
    }
    std::fputs(out.c_str(), stdout);
    std::fflush(stdout);
}

// libedit's editing, its keys bound to the session's own functions.
class Editline final : public TerminalEditing {
public:
    Editline(::EditLine* editor, std::optional<std::filesystem::path> historyFile, CompletionFunction complete);
    ~Editline() override;
    Editline(Editline const&) = delete;
    Editline& operator=(Editline const&) = delete;

    InputLine read(std::string const& prompt) override;
    void remember(std::string const& line) override;

private:
    static Editline& of(::EditLine* editor);
    static char* promptOf(::EditLine* editor);
    static unsigned char completeWord(::EditLine* editor, int key);
    static unsigned char interrupt(::EditLine* editor, int key);

    ::EditLine* editor_;
    ::History* history_;
    std::optional<std::filesystem::path> historyFile_;
    CompletionFunction complete_;
    std::string prompt_;
    bool interrupted_ = false;
};

Editline::Editline(::EditLine* editor, std::optional<std::filesystem::path> historyFile, CompletionFunction complete)
    : editor_(editor), history_(history_init()), historyFile_(std::move(historyFile)),
      complete_(std::move(complete)) {
    HistEvent event;
    history(history_, &event, H_SETSIZE, historySize);
    history(history_, &event, H_SETUNIQUE, 1);
    if (historyFile_)
        history(history_, &event, H_LOAD, historyFile_->c_str());
    el_set(editor_, EL_CLIENTDATA, this);
    el_set(editor_, EL_EDITOR, "emacs");
    // The terminal restored when qorjs is stopped or ended while editing.
    el_set(editor_, EL_SIGNAL, 1);
    el_set(editor_, EL_PROMPT, promptOf);
    el_set(editor_, EL_HIST, history, history_);
    // Ctrl-C while editing is a key that drops the line, not a signal.
    el_set(editor_, EL_SETTY, "-d", "-isig", nullptr);
    el_set(editor_, EL_ADDFN, "qorjs-interrupt", "Drop the line", interrupt);
    el_set(editor_, EL_BIND, "^C", "qorjs-interrupt", nullptr);
    el_set(editor_, EL_ADDFN, "qorjs-complete", "Complete the name before the cursor", completeWord);
    el_set(editor_, EL_BIND, "^I", "qorjs-complete", nullptr);
}

Editline::~Editline() {
    el_end(editor_);
    history_end(history_);
}

Editline& Editline::of(::EditLine* editor) {
    void* self = nullptr;
    el_get(editor, EL_CLIENTDATA, &self);
    return *static_cast<Editline*>(self);
}

char* Editline::promptOf(::EditLine* editor) {
    return of(editor).prompt_.data();
}

InputLine Editline::read(std::string const& prompt) {
    prompt_ = prompt;
    interrupted_ = false;
    int count = 0;
    char const* got = el_gets(editor_, &count);
    if (interrupted_) {
        LineInfo const* line = el_line(editor_);
        return {InputLine::Kind::interrupted, std::string(line->buffer, line->lastchar)};
    }
    if (got == nullptr || count <= 0)
        return {InputLine::Kind::end, {}};
    std::string line(got, static_cast<std::size_t>(count));
    while (line.ends_with('\n') || line.ends_with('\r'))
        line.pop_back();
    return {InputLine::Kind::line, line};
}

void Editline::remember(std::string const& line) {
    if (line.find_first_not_of(" \t") == std::string::npos)
        return;
    HistEvent event;
    history(history_, &event, H_ENTER, line.c_str());
    if (!historyFile_)
        return;
    // What was typed may be private: the file is the user's alone.
    int const created = open(historyFile_->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (created >= 0)
        close(created);
    history(history_, &event, H_SAVE, historyFile_->c_str());
}

unsigned char Editline::interrupt(::EditLine* editor, int) {
    of(editor).interrupted_ = true;
    // Past the end of the line, so that what was typed stays in sight.
    el_cursor(editor, 1 << 20);
    std::fputs("^C\n", stdout);
    std::fflush(stdout);
    return CC_NEWLINE;
}

unsigned char Editline::completeWord(::EditLine* editor, int) {
    LineInfo const* line = el_line(editor);
    Completions const found = of(editor).complete_(std::string_view(line->buffer, line->cursor));
    if (found.names.empty())
        return CC_REFRESH_BEEP;
    std::string const shared = sharedStart(found.names);
    if (shared.size() > found.typed) {
        el_insertstr(editor, shared.substr(found.typed).c_str());
        return CC_REFRESH;
    }
    if (found.names.size() == 1)
        return CC_REFRESH;
    showChoices(found.names);
    return CC_REDISPLAY;
}

} // namespace

std::unique_ptr<TerminalEditing> startTerminalEditing(std::optional<std::filesystem::path> historyFile,
                                                      CompletionFunction complete) {
    ::EditLine* editor = el_init("qorjs", stdin, stdout, stderr);
    if (editor == nullptr)
        return nullptr;
    return std::make_unique<Editline>(editor, std::move(historyFile), std::move(complete));
}

} // namespace qor::tools::qorjs
