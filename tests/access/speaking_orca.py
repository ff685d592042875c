# Runs Orca with its debug log written line by line, so that a test can wait for what
# it speaks. Usage: python3 speaking_orca.py LOG
import runpy
import sys

from orca import debug

debug.debugLevel = debug.LEVEL_INFO
debug.eventDebugLevel = debug.LEVEL_OFF
debug.debugFile = open(sys.argv[1], "w", buffering=1, encoding="utf-8")
sys.argv = ["orca", "--replace"]
runpy.run_path("/usr/bin/orca", run_name="__main__")
