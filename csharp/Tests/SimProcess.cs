using System;
using System.Collections.Concurrent;
using System.Diagnostics;
using System.IO;
using System.Threading;

namespace TSCore.Tests
{
    /// <summary>tesslink-sim as a child process: its output lines, and control commands on stdin.</summary>
    internal sealed class SimProcess : IDisposable
    {
        private readonly Process process;
        private readonly BlockingCollection<string> lines = new BlockingCollection<string>();

        public SimProcess(params string[] args)
        {
            RemoveSegments();
            string path = Environment.GetEnvironmentVariable("TESSLINK_SIM");
            if (string.IsNullOrEmpty(path))
                NUnit.Framework.Assert.Ignore("TESSLINK_SIM does not name tesslink-sim: run the tests through ctest");
            var start = new ProcessStartInfo(path, string.Join(" ", args))
            {
                UseShellExecute = false, RedirectStandardInput = true, RedirectStandardOutput = true,
            };
            process = Process.Start(start);
            var reader = new Thread(() =>
            {
                string line;
                while ((line = process.StandardOutput.ReadLine()) != null)
                    lines.Add(line);
                lines.CompleteAdding();
            });
            reader.IsBackground = true;
            reader.Start();
            WaitFor("ready");
        }

        /// <summary>The next line that begins with prefix.</summary>
        public string WaitFor(string prefix, int timeoutMs = 10000)
        {
            var deadline = DateTime.UtcNow.AddMilliseconds(timeoutMs);
            string line;
            while (lines.TryTake(out line, Math.Max(0, (int)(deadline - DateTime.UtcNow).TotalMilliseconds)))
                if (line.StartsWith(prefix, StringComparison.Ordinal))
                    return line;
            throw new TimeoutException("tesslink-sim printed no line beginning with " + prefix);
        }

        public void Control(string command)
        {
            process.StandardInput.WriteLine(command);
            process.StandardInput.Flush();
            WaitFor("ok");
        }

        public static void RemoveSegments()
        {
            foreach (string name in new[] { "Devices", "Data", "Haptics" })
                File.Delete("/dev/shm/" + name);
        }

        /// <summary>Runs a program to its end; its standard output.</summary>
        public static string Run(string program, string args)
        {
            var start = new ProcessStartInfo(program, args) { UseShellExecute = false, RedirectStandardOutput = true };
            using (Process p = Process.Start(start))
            {
                string output = p.StandardOutput.ReadToEnd();
                p.WaitForExit();
                return output;
            }
        }

        public void Dispose()
        {
            if (!process.HasExited)
            {
                process.StandardInput.WriteLine("quit");
                process.StandardInput.Flush();
                if (!process.WaitForExit(5000))
                    process.Kill();
            }
            process.Dispose();
            RemoveSegments();
            Gloves.ResetDeviceList();
        }
    }
}
