package vySecLink;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

/** A user name and a password, given with -u/-p or read from a security file (-a). */
public final class Credentials {
    private final String user;
    private final String password;

    public Credentials(String user, String password) {
        this.user = user;
        this.password = password;
    }

    public String user() {
        return user;
    }

    public String password() {
        return password;
    }

    /**
     * The credentials of a command line. A security file is read when it is
     * given; -u and -p, when given as well, take the place of its words.
     * Null when neither a user name nor a password is given at all.
     */
    public static Credentials from(String user, String password, String securityFile) throws Failure {
        if (securityFile != null) {
            Credentials file = read(securityFile);
            return new Credentials(user != null ? user : file.user, password != null ? password : file.password);
        }
        if (user == null && password == null) {
            return null;
        }
        return new Credentials(user != null ? user : "", password != null ? password : "");
    }

    /**
     * The first line of the file holds the user name and the password: its
     * first two words, split as the launcher splits them when it checks the
     * file (white space: blanks, tabs, vertical tabs, form feeds, carriage
     * returns), so that a file the launcher accepts is read here as well.
     * Further words are ignored. A byte-order mark at the start (some Windows
     * editors write one) is not part of the user name.
     */
    public static Credentials read(String path) throws Failure {
        String text;
        try {
            text = Text.ofFile(Files.readAllBytes(Path.of(path)));
        } catch (IOException | RuntimeException e) {
            // RuntimeException: a path the file system cannot even name.
            throw new Failure(Status.BAD_SECURITY_FILE, "security file " + path + " cannot be read");
        }
        int end = text.indexOf('\n');
        String first = end >= 0 ? text.substring(0, end) : text;
        List<String> words = Words.splitAtWhiteSpace(first);
        if (words.size() < 2) {
            throw new Failure(Status.BAD_SECURITY_FILE,
                    "the first line of security file " + path + " must hold a user name and a password");
        }
        return new Credentials(words.get(0), words.get(1));
    }
}
