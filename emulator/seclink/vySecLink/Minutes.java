package vySecLink;

import java.math.BigDecimal;

/** A number of minutes as the command lines give it: decimal, "1", "0.5", ".5" or "2.", no sign, no exponent. */
public final class Minutes {
    private Minutes() {
    }

    /**
     * The minutes in milliseconds; 71 "bad value TEXT for OPTION" for
     * anything else or for more than the most (null: no bound beyond nine
     * digits before the point).
     */
    public static long millis(String text, String option, BigDecimal most) throws Failure {
        Failure bad = new Failure(Status.BAD_ARGUMENT, "bad value " + text + " for " + option);
        if (!text.matches("[0-9]{1,9}(\\.[0-9]{0,9})?|\\.[0-9]{1,9}")) {
            throw bad;
        }
        BigDecimal m = new BigDecimal(text.endsWith(".") ? text + "0" : text);
        if (most != null && m.compareTo(most) > 0) {
            throw bad;
        }
        return m.multiply(BigDecimal.valueOf(60_000)).longValue();
    }
}
