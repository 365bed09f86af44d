package vyEmulator;

import java.time.Duration;
import java.time.Instant;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;

/**
 * Everything the emulator knows: users, volumes, tasks, what each host's
 * multipath driver sees and what vySeedHost registered. Its parts are
 * immutable records; a change is made on a {@link #copy} that replaces the
 * state only once it has been saved.
 */
final class State {
    record Volume(String serial, String name) {
    }

    /** A volume as a host knows it: the host's disk name and the volume's serial. */
    record Disk(String disk, String serial) {
    }

    record Sees(String host, Disk disk) {
    }

    /** A copy task; started is null while it has never run. */
    record Task(String name, String source, String target, long seconds, boolean fails, Instant started) {
        Task startedAt(Instant now) {
            return new Task(name, source, target, seconds, fails, now);
        }

        /** Percent of the copy done at that time: 0 before it started, then in step with the time. */
        int progress(Instant now) {
            if (started == null) {
                return 0;
            }
            if (seconds == 0) {
                return 100;
            }
            long elapsed = Math.max(0, Duration.between(started, now).toMillis());
            return (int) Math.min(100, elapsed / 10 / seconds);
        }

        String state(Instant now) {
            if (started == null) {
                return "idle";
            }
            if (Duration.between(started, now).toMillis() < seconds * 1000) {
                return "running";
            }
            return fails ? "failed" : "completed";
        }

        /** "name state progress source target seconds outcome", as the clients read it. */
        String line(Instant now) {
            return name + " " + state(now) + " " + progress(now) + " " + source + " " + target + " " + seconds + " "
                    + (fails ? "fail" : "complete");
        }
    }

    final Map<String, String> users = new LinkedHashMap<>();
    final Map<String, Volume> volumes = new LinkedHashMap<>(); // by serial, in state-file order
    final Map<String, Task> tasks = new LinkedHashMap<>();
    final List<Sees> sees = new ArrayList<>();
    final Map<String, List<Disk>> registered = new TreeMap<>(); // by host name; the lists are immutable

    State copy() {
        State s = new State();
        s.users.putAll(users);
        s.volumes.putAll(volumes);
        s.tasks.putAll(tasks);
        s.sees.addAll(sees);
        s.registered.putAll(registered);
        return s;
    }

    Volume volumeByName(String name) {
        for (Volume v : volumes.values()) {
            if (v.name().equals(name)) {
                return v;
            }
        }
        return null;
    }
}
