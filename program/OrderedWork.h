// Work on a stream of items spread over threads, handed on in the order the
// items were submitted: the calling thread fills an item (a chunk of text, a
// batch of lines), submits it, and the workers process items as they come;
// the results are then taken in submission order, so that what a program
// writes does not depend on the number of threads.
//
// A fixed number of items is reused: when every one is in flight, taking a
// free one first hands on the oldest. While the oldest is not processed yet,
// the calling thread processes submitted items no worker has taken rather
// than wait. With no workers at all, every item is processed on the calling
// thread. `process` runs on any of the threads, one item at a time per
// thread; `handOn` only on the calling thread.
#ifndef LOCI_PROGRAM_ORDEREDWORK_H
#define LOCI_PROGRAM_ORDEREDWORK_H

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

template <class Item>
class OrderedWork {
public:
   // `process` is given the item and the worker's own context (0 for the
   // calling thread, 1 .. workers for the workers), so that each thread may
   // keep its own scratch state.
   using Process = std::function<void(Item& item, int thread)>;

   OrderedWork(int workers, int items, Process process) : process(std::move(process)) {
      if (workers < 0) workers = 0;
      if (items < 1) items = 1;
      for (int i = 0; i < items; i++) {
         slots.emplace_back(new Slot);
         free.push_back(slots.back().get());
      }
      for (int w = 1; w <= workers; w++) threads.emplace_back([this, w] { Work(w); });
   }

   ~OrderedWork() {
      {
         std::lock_guard<std::mutex> lock(mutex);
         stopping = true;
      }
      queued.notify_all();
      for (std::thread& thread : threads) thread.join();
   }

   OrderedWork(const OrderedWork&) = delete;
   OrderedWork& operator=(const OrderedWork&) = delete;

   // An item to fill, or null when handing on the oldest returned false (the
   // work stops there). The item keeps what it held when last used.
   Item* Free(const std::function<bool(Item&)>& handOn) {
      if (free.empty() && !HandOnOldest(handOn)) return nullptr;
      Slot* slot = free.back();
      free.pop_back();
      return &slot->item;
   }

   // Puts the item, obtained from Free, in line for processing.
   void Submit(Item* item) {
      Slot* slot = SlotOf(item);
      {
         std::lock_guard<std::mutex> lock(mutex);
         slot->done = false;
         queue.push_back(slot);
      }
      inFlight.push_back(slot);
      if (!threads.empty()) queued.notify_one();
   }

   // Hands on every submitted item, in order; false when `handOn` stopped.
   bool Drain(const std::function<bool(Item&)>& handOn) {
      while (!inFlight.empty())
         if (!HandOnOldest(handOn)) return false;
      return true;
   }

   // Whether items are submitted and not yet handed on.
   bool Busy() const { return !inFlight.empty(); }

private:
   struct Slot {
      Item item;
      bool done = true;
   };

   Slot* SlotOf(Item* item) {
      for (const auto& slot : slots)
         if (&slot->item == item) return slot.get();
      return nullptr;
   }

   bool HandOnOldest(const std::function<bool(Item&)>& handOn) {
      Slot* oldest = inFlight.front();
      while (true) {
         Slot* waiting = nullptr;
         {
            std::unique_lock<std::mutex> lock(mutex);
            if (oldest->done) break;
            if (queue.empty()) {
               finished.wait(lock, [&] { return oldest->done; });
               break;
            }
            waiting = queue.front();
            queue.pop_front();
         }
         process(waiting->item, 0);
         std::lock_guard<std::mutex> lock(mutex);
         waiting->done = true;
      }
      inFlight.pop_front();
      free.push_back(oldest);
      return handOn(oldest->item);
   }

   void Work(int thread) {
      std::unique_lock<std::mutex> lock(mutex);
      while (true) {
         queued.wait(lock, [&] { return stopping || !queue.empty(); });
         if (stopping) return;
         Slot* slot = queue.front();
         queue.pop_front();
         lock.unlock();
         process(slot->item, thread);
         lock.lock();
         slot->done = true;
         finished.notify_all();
      }
   }

   Process process;
   std::vector<std::unique_ptr<Slot>> slots;
   std::vector<Slot*> free;     // calling thread only
   std::deque<Slot*> inFlight;  // calling thread only: submission order
   std::deque<Slot*> queue;     // under `mutex`: submitted, not taken
   bool stopping = false;       // under `mutex`
   std::mutex mutex;
   std::condition_variable queued, finished;
   std::vector<std::thread> threads;  // last: start once the rest is in place
};

#endif
