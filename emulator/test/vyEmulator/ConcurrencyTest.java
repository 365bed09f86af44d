package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Collections;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.TreeMap;
import java.util.concurrent.Callable;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.ExecutionException;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.TimeoutException;
import java.util.concurrent.atomic.AtomicInteger;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;
import support.EmulatorProcess.Reply;

/**
 * Many clients changing the state at once, and an emulator killed (kill -9)
 * while it saves: every change it acknowledged is in the file afterwards.
 * The load is bounded in requests and in time.
 */
class ConcurrencyTest {
    private static final int CLIENTS = 8;
    private static final int CHANGES_EACH = 25;
    private static final long WAIT_SECONDS = 60;

    /** Runs the jobs on threads of their own, all released at once; their results in order. */
    private static <T> List<T> together(List<Callable<T>> jobs) throws Exception {
        ExecutorService pool = Executors.newFixedThreadPool(jobs.size());
        CountDownLatch go = new CountDownLatch(1);
        try {
            List<Future<T>> futures = new ArrayList<>();
            for (Callable<T> job : jobs) {
                futures.add(pool.submit(() -> {
                    go.await();
                    return job.call();
                }));
            }
            go.countDown();
            List<T> results = new ArrayList<>();
            long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(WAIT_SECONDS);
            for (Future<T> f : futures) {
                results.add(f.get(Math.max(1, deadline - System.nanoTime()), TimeUnit.NANOSECONDS));
            }
            return results;
        } finally {
            pool.shutdownNow();
            pool.awaitTermination(10, TimeUnit.SECONDS);
        }
    }

    @Test
    void manyClientsChangeTheStateAtOnceAndNothingIsLost() throws Exception {
        Path file = EmulatorProcess.scratch("concurrent").resolve("s.state");
        // What the hosts must hold in the end: a host of its own for every change,
        // and one host per client registered again and again (its last body stays).
        Map<String, String> expected = new TreeMap<>();
        for (int c = 0; c < CLIENTS; c++) {
            for (int i = 0; i < CHANGES_EACH; i++) {
                expected.put("c" + c + "-" + i, "c" + c + "-" + i + " D" + i + " 02B12028\n");
            }
            expected.put("mine" + c, "mine" + c + " Last" + c + " 04B12028\n");
        }
        try (EmulatorProcess e = EmulatorProcess.withState(file)) {
            List<Callable<List<String>>> clients = new ArrayList<>();
            for (int c = 0; c < CLIENTS; c++) {
                int client = c;
                clients.add(() -> {
                    List<String> wrong = new ArrayList<>();
                    for (int i = 0; i < CHANGES_EACH; i++) {
                        String user = i % 2 == 0 ? "admin" : "operator";
                        String password = i % 2 == 0 ? "secret" : "op-pass";
                        Reply r = e.send("PUT", "/hosts/c" + client + "-" + i, user, password, "D" + i + " 02B12028\n");
                        if (!r.toString().equals("200 D" + i + " 02B12028 registered\n")) {
                            wrong.add("c" + client + "-" + i + ": " + r);
                        }
                        String disk = i == CHANGES_EACH - 1 ? "Last" + client : "Early" + client;
                        r = e.send("PUT", "/hosts/mine" + client, user, password, disk + " 04B12028\n");
                        if (r.status() != 200) {
                            wrong.add("mine" + client + ": " + r);
                        }
                    }
                    return wrong;
                });
            }
            for (List<String> wrong : together(clients)) {
                assertEquals(List.of(), wrong);
            }
            String hosts = String.join("", expected.values());
            assertEquals(hosts, e.get("/hosts", "admin", "secret").body());
            assertEquals(0, e.stop());

            String text = Files.readString(file, StandardCharsets.UTF_8);
            for (String host : expected.keySet()) {
                String[] w = expected.get(host).trim().split(" ");
                assertTrue(text.contains("\nregistered " + host + " " + w[1] + " " + w[2] + "\n"), host + " in the file");
            }
        }
        try (EmulatorProcess again = EmulatorProcess.withState(file)) {
            assertEquals(String.join("", expected.values()), again.get("/hosts", "admin", "secret").body(),
                    "the same after a restart");
        }
    }

    /** Clients that start the same task at once: one starts it, every other is told it runs (409). */
    @Test
    void aTaskStartedByManyClientsAtOnceStartsOnce() throws Exception {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            List<Callable<Integer>> clients = new ArrayList<>();
            for (int c = 0; c < CLIENTS; c++) {
                clients.add(() -> e.send("POST", "/tasks/slow/run", "admin", "secret", null).status());
            }
            List<Integer> statuses = new ArrayList<>(together(clients));
            Collections.sort(statuses);
            List<Integer> once = new ArrayList<>(Collections.nCopies(CLIENTS - 1, 409));
            once.add(0, 200);
            assertEquals(once, statuses);
        }
    }

    /**
     * Clients register hosts as fast as they can; once some hundreds are
     * acknowledged the emulator is killed with kill -9, while it is busy
     * saving. Restarted on the same file, it holds every acknowledged
     * host, and nothing that was not sent. Twice, on the same file.
     */
    @Test
    void aProcessKilledWhileSavingKeepsEveryAcknowledgedChange() throws Exception {
        Path file = EmulatorProcess.scratch("killed").resolve("s.state");
        Set<String> acknowledged = ConcurrentHashMap.newKeySet();
        Set<String> sent = ConcurrentHashMap.newKeySet();
        int clients = 4;
        for (int round = 0; round < 2; round++) {
            EmulatorProcess e = EmulatorProcess.withState(file);
            try (e) {
                if (round > 0) {
                    assertHolds(e, acknowledged, sent);
                }
                AtomicInteger acks = new AtomicInteger();
                CountDownLatch enough = new CountDownLatch(1);
                ExecutorService pool = Executors.newFixedThreadPool(clients);
                List<Future<?>> writers = new ArrayList<>();
                for (int c = 0; c < clients; c++) {
                    String prefix = "r" + round + "c" + c + "-";
                    writers.add(pool.submit(() -> {
                        // At most 150 each: the load is bounded even if the kill comes late.
                        for (int i = 0; i < 150; i++) {
                            String host = prefix + i;
                            sent.add(host);
                            Reply r;
                            try {
                                r = e.send("PUT", "/hosts/" + host, "admin", "secret", "Disk2 02B12028\n");
                            } catch (IOException killed) {
                                return null;
                            }
                            if (r.status() != 200) {
                                throw new AssertionError(host + ": " + r);
                            }
                            acknowledged.add(host);
                            if (acks.incrementAndGet() >= 200) {
                                enough.countDown();
                            }
                        }
                        return null;
                    }));
                }
                // Until 200 are acknowledged, or every client has ended (failed) or the time is over.
                long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(WAIT_SECONDS);
                while (!enough.await(50, TimeUnit.MILLISECONDS) && !writers.stream().allMatch(Future::isDone)
                        && System.nanoTime() < deadline) {
                    continue;
                }
                e.kill();
                try {
                    for (Future<?> w : writers) {
                        w.get(WAIT_SECONDS, TimeUnit.SECONDS);
                    }
                } catch (ExecutionException | TimeoutException f) {
                    throw new AssertionError("a client failed", f);
                } finally {
                    pool.shutdownNow();
                }
                assertTrue(acks.get() >= 200, "200 changes acknowledged in time: " + acks.get());
                assertTrue(acks.get() < 600, "killed while the clients still sent: " + acks.get());
            }
        }
        try (EmulatorProcess e = EmulatorProcess.withState(file)) {
            assertHolds(e, acknowledged, sent);
        }
    }

    /** Every acknowledged host is registered; every registered host was sent. */
    private static void assertHolds(EmulatorProcess e, Set<String> acknowledged, Set<String> sent) throws IOException {
        Reply r = e.get("/hosts", "admin", "secret");
        assertEquals(200, r.status());
        Set<String> registered = new HashSet<>();
        for (String line : r.body().split("\n")) {
            if (!line.isEmpty()) {
                assertTrue(line.endsWith(" Disk2 02B12028"), line);
                registered.add(line.substring(0, line.indexOf(' ')));
            }
        }
        Set<String> lost = new HashSet<>(acknowledged);
        lost.removeAll(registered);
        assertEquals(Set.of(), lost, "acknowledged but lost");
        Set<String> invented = new HashSet<>(registered);
        invented.removeAll(sent);
        assertEquals(Set.of(), invented, "registered but never sent");
    }
}
