// The C# side of the pose-read comparison in scripts/bench.sh: times a hand pose read through
// the package (Glove.ReadHandPose, or Reader.ReadHandPose, then the four arrays copied out) on
// the first glove of a running service, alternating rounds with the C++ timer
// (tscore_pose_read_timer) in the same run, and counts the managed bytes allocated per read.
// Usage: mono PoseReadBench.exe [--reader] CXX_TIMER [READS] [ROUNDS]
// --reader: Reader.Update and Reader.ReadHandPose against tscore_reader_read_timer.
using System;
using System.Diagnostics;
using System.Globalization;
using System.Linq;
using System.Threading;
using TSCore;

internal static class PoseReadBench
{
    private static int Main(string[] args)
    {
        bool useReader = args.Length > 0 && args[0] == "--reader";
        if (useReader)
            args = args.Skip(1).ToArray();
        if (args.Length < 1)
        {
            Console.Error.WriteLine("usage: mono PoseReadBench.exe [--reader] CXX_TIMER [READS] [ROUNDS]");
            return 2;
        }
        int reads = args.Length > 1 ? int.Parse(args[1], CultureInfo.InvariantCulture) : 5000;
        int rounds = args.Length > 2 ? int.Parse(args[2], CultureInfo.InvariantCulture) : 15;
        Glove glove = null;
        for (int i = 0; i < 500 && (glove = Gloves.FirstGlove()) == null; ++i)
            Thread.Sleep(10);
        if (glove == null)
        {
            Console.Error.WriteLine("no glove: start tesslink-sim first");
            return 1;
        }
        var pose = new HandPose(glove.IsRight);
        var arrays = new PoseArrays();
        var reader = new Reader();
        int position = reader.FindGlove();
        Reading reading;
        Action glovePose = () =>
        {
            if (useReader)
            {
                reader.Update();
                reader.ReadHandPose(position, pose, null, out reading);
            }
            else
                glove.ReadHandPose(pose);
            pose.CopyTo(arrays);
        };
        double cxx = double.MaxValue, cs = double.MaxValue;
        long bytes = 0;
        for (int i = 0; i < reads / 10; ++i)
            glovePose();
        for (int r = 0; r < rounds; ++r)
        {
            cxx = Math.Min(cxx, CxxRound(args[0], reads));
            long before = GC.GetAllocatedBytesForCurrentThread();
            long start = Stopwatch.GetTimestamp();
            for (int i = 0; i < reads; ++i)
                glovePose();
            long ticks = Stopwatch.GetTimestamp() - start;
            bytes += GC.GetAllocatedBytesForCurrentThread() - before;
            cs = Math.Min(cs, ticks * 1e9 / Stopwatch.Frequency / reads);
        }
        Console.WriteLine("hand-pose read{0}, best of {1} rounds of {2} reads", useReader ? " through the reader" : "",
                          rounds, reads);
        Console.WriteLine(useReader ? "  C++  ServiceReader Update + GetHandPose    {0,8:F2} us"
                                    : "  C++  HapticGlove::GetHandPose              {0,8:F2} us", cxx / 1000);
        Console.WriteLine(useReader ? "  C#   Reader Update + ReadHandPose + copies {0,8:F2} us"
                                    : "  C#   Glove.ReadHandPose + its arrays       {0,8:F2} us", cs / 1000);
        Console.WriteLine("  ratio C# / C++                             {0,8:F2}", cs / cxx);
        Console.WriteLine("  managed bytes allocated per read           {0,8:F2}", (double)bytes / ((long)reads * rounds));
        return 0;
    }

    // One round of the C++ timer in its own process: its ns_per_read.
    private static double CxxRound(string timer, int reads)
    {
        var start = new ProcessStartInfo(timer, reads + " 1") { UseShellExecute = false, RedirectStandardOutput = true };
        using (Process p = Process.Start(start))
        {
            string line = p.StandardOutput.ReadLine();
            p.WaitForExit();
            return double.Parse(line.Split(' ')[1], CultureInfo.InvariantCulture);
        }
    }
}
