@java -jar "%~dp0..\vyEmulator.jar" lanectl %*
