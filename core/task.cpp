// ExecuteJava: builds the argument list of the program's Java class from
// the invocation state and starts it.
#include <string>

#include "core/launcher.h"
#include "core/switches.h"
#include "platform/cmdline.h"

namespace {

// Appends every value to the argument table, false as soon as one does not
// fit; or, counting, only counts the entries that it would append.
class VectorBuilder {
public:
    enum Mode { kFill, kCount };
    explicit VectorBuilder(Mode mode) : counting_(mode == kCount) {}

    void Add(const char* value) {
        if (counting_) {
            ++count_;
        } else {
            fits_ = fits_ && AppendArgument(value);
        }
    }
    void Add(std::string_view value) { Add(std::string(value).c_str()); }

    // Always in double quotes, by the C runtime's rules, so that a path
    // arrives as one argument whatever it holds: a double quote inside gets
    // a backslash, and backslashes before it or at the end are doubled. A
    // Windows file path holds no double quote and never ends in a
    // backslash: there this is the path between two double quotes.
    void AddQuoted(std::string_view value) { Add(cmdline::QuoteArgument(value)); }

    // The child splits its command line at blanks and double quotes: a value
    // that holds one is quoted so that it arrives whole. Others go unchanged.
    void AddWhole(std::string_view value) {
        Add(cmdline::NeedsQuoting(value) ? cmdline::QuoteArgument(value) : std::string(value));
    }

    // An option and its value, only when the value is given.
    void AddOption(const char* option, std::string_view value, JavaForm form) {
        if (value.empty()) return;
        Add(option);
        if (form == JavaForm::kQuoted) {
            AddQuoted(value);
        } else if (form == JavaForm::kWhole) {
            AddWhole(value);
        } else {
            Add(value);
        }
    }

    // The Java options of the program's switches at that place, in the
    // table's order: a counter gives its option once, a value its option
    // and the value. No other row has a Java place (switches.h).
    void AddSwitches(int type, JavaPlace place) {
        for (const Switch& s : kSwitches) {
            if (!Accepts(s.programs, type) || s.javaPlace != place) continue;
            switch (s.target.action) {
                case SwitchAction::kCount:
                    if (g.*s.target.counter) Add(s.javaOption);
                    break;
                case SwitchAction::kStore: AddOption(s.javaOption, s.target.field.value(), s.javaForm); break;
                case SwitchAction::kSetFlag:
                case SwitchAction::kAddVolume: break;
            }
        }
    }

    bool fits() const { return fits_; }
    int count() const { return count_; }

private:
    bool counting_;
    bool fits_ = true;
    int count_ = 0;
};

// The program's Java command line after the fixed arguments, from the
// invocation state. One definition for starting the class and for asking
// whether its command line has room.
void BuildJavaVector(VectorBuilder& v, int type) {
    const Program& program = ProgramOf(type);
    v.Add(program.javaClass != nullptr ? program.javaClass : "");
    v.AddSwitches(type, JavaPlace::kBeforeServer);
    v.Add("-s");
    v.Add(g.taskServer.view());
    switch (program.afterServer) {
        case AfterServer::kNothing: break;
        case AfterServer::kTaskNames:
            // One argument that the child splits into one per task name.
            v.Add(g.taskNames.view());
            break;
        case AfterServer::kVolumeFile: v.AddOption("-l", g.volumeFilePath.view(), JavaForm::kQuoted); break;
        case AfterServer::kVolumes:
            for (int i = 0; i < g.volumeCount; ++i) v.Add(g.resolvedVolumes[i].view());
            break;
    }
    v.AddSwitches(type, JavaPlace::kAfterServer);
}

}  // namespace

int CheckTaskNames() {
    if (!g.taskNames.given()) {
        Print("%s: No task names specified\n", ProgramName());
        return kExitNoTaskNames;
    }
    return 0;
}

int CheckVolumeRoom() {
    // The vector as ExecuteJava will build it, counted: every volume is one
    // entry whatever it resolves to, and the vector's last entry is the end
    // marker.
    VectorBuilder counter(VectorBuilder::kCount);
    BuildJavaVector(counter, g.programType);
    const int room = kArgSlots - 1 - kFirstArgSlot - (counter.count() - g.volumeCount);
    if (g.volumeCount > room) {
        Print("%s: More volumes than one Java command line can carry (at most %d here)\n", ProgramName(), room);
        return kExitTooLong;
    }
    return 0;
}

int ExecuteJava() {
    if (g.debug) Print("- Start ExecuteJava\n");
    ResetArgumentTable();
    g.argCount = kFirstArgSlot;

    VectorBuilder v(VectorBuilder::kFill);
    BuildJavaVector(v, g.programType);

    if (!v.fits()) {
        Print("%s: The arguments for the Java class do not fit its command line\n", ProgramName());
        return kExitTooLong;
    }
    if (g.debug) Print("- ExecuteJava done\n");
    return SpawnJava(g.argCount, g.argVector);
}
