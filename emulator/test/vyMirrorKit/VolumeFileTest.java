package vyMirrorKit;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;
import vySecLink.Failure;

class VolumeFileTest {
    @Test
    void aByteOrderMarkAtTheStartIsSkipped() throws IOException, Failure {
        Path file = EmulatorProcess.scratch("volumes").resolve("volumes.txt");
        Files.writeString(file, "\uFEFF-l Disk2 -r 02B12028 \r\n-l Disk3 -r 03B12028 \r\n", StandardCharsets.UTF_8);
        List<String[]> v = vySeedHost.readVolumeFile(file.toString());
        assertEquals(2, v.size());
        assertArrayEquals(new String[] {"Disk2", "02B12028"}, v.get(0));
        assertArrayEquals(new String[] {"Disk3", "03B12028"}, v.get(1));
    }
}
